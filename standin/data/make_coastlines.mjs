// Writes coastlines.bin, the stand-in's land outlines and country borders,
// from Natural Earth's land and country polygons as the npm package
// world-atlas ships them (TopoJSON), and the full-resolution GSHHG
// shoreline of the harbour regions, as GMT (Debian's gmt and
// gmt-gshhg-full) dumps it. See README.md beside this file.
//
//   mkdir -p /tmp/coastgen && cd /tmp/coastgen
//   npm install world-atlas@2.0.2 topojson-client@3.1.0
//   node /path/to/standin/data/make_coastlines.mjs /tmp/coastgen standin/data/coastlines.bin
//
// The format (all integers little-endian), read by standin/src/render/coastlines.cpp:
//   "ZGCL", u8 version (2), u8 layer count, then per layer:
//     u8 kind (1 land rings: closed, exterior and holes alike; 2 border
//     lines; 3 the land rings of one harbour region, closed along its box),
//     u8 detail (the Natural Earth scale: 10, 50 or 110; 1 for GSHHG full),
//     f64 x scale, f64 y scale, f64 x offset, f64 y offset (degrees),
//     kind 3 only: f64 west, south, east, north (the region's box),
//     varint line count, then per line: varint point count and that many
//     (x, y) pairs of zigzag varints, each the change from the point before
//     (the first from 0, 0). longitude = x * x scale + x offset, likewise y.
// The grid is TopoJSON's own quantisation, so nothing is lost.
import {createRequire} from 'node:module';
import {execFileSync} from 'node:child_process';
import {writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';

const [modulesRoot, output] = process.argv.slice(2);
if (!modulesRoot || !output) {
  console.error('usage: node make_coastlines.mjs <folder holding node_modules> <output file>');
  process.exit(2);
}
const require = createRequire(path.resolve(modulesRoot, 'package.json'));
const topojson = require('topojson-client');
const atlasVersion = require('world-atlas/package.json').version;

const bytes = [];
const u8 = (value) => bytes.push(value & 0xff);
const f64 = (value) => {
  const buffer = Buffer.alloc(8);
  buffer.writeDoubleLE(value);
  bytes.push(...buffer);
};
const varint = (value) => {
  if (!Number.isSafeInteger(value) || value < 0) throw new Error(`bad varint ${value}`);
  while (value >= 0x80) {
    u8((value % 0x80) | 0x80);
    value = Math.floor(value / 0x80);
  }
  u8(value);
};
const zigzag = (value) => (value >= 0 ? value * 2 : -value * 2 - 1);

function writeLayer(kind, detail, transform, lines, box) {
  const [sx, sy] = transform.scale;
  const [tx, ty] = transform.translate;
  u8(kind);
  u8(detail);
  f64(sx);
  f64(sy);
  f64(tx);
  f64(ty);
  if (box) box.forEach(f64);
  varint(lines.length);
  let points = 0;
  for (const line of lines) {
    varint(line.length);
    let px = 0;
    let py = 0;
    for (const [lon, lat] of line) {
      const x = Math.round((lon - tx) / sx);
      const y = Math.round((lat - ty) / sy);
      if (Math.abs(x * sx + tx - lon) > 1e-9 || Math.abs(y * sy + ty - lat) > 1e-9) {
        throw new Error(`point ${lon},${lat} is off the TopoJSON grid`);
      }
      varint(zigzag(x - px));
      varint(zigzag(y - py));
      px = x;
      py = y;
    }
    points += line.length;
  }
  return `${lines.length} lines, ${points} points`;
}

function landRings(name) {
  const topology = require(`world-atlas/${name}.json`);
  const land = topojson.feature(topology, topology.objects.land);
  const geometries = land.type === 'FeatureCollection' ? land.features.map((f) => f.geometry) : [land.geometry];
  const rings = [];
  for (const geometry of geometries) {
    const polygons = geometry.type === 'MultiPolygon' ? geometry.coordinates : [geometry.coordinates];
    for (const polygon of polygons) rings.push(...polygon);
  }
  return {transform: topology.transform, rings};
}

// GMT dumps the shoreline cut into its storage bins; the pieces are joined
// end to end again, and a piece the region's box cuts off is closed along
// the side it leaves and re-enters by (the regions are chosen so that every
// cut piece does). Coordinates on a grid of a millionth of a degree.
const kShoreGrid = 1e-6;
function harbourRings([west, south, east, north]) {
  const text = execFileSync('gmt', ['coast', `-R${west}/${east}/${south}/${north}`, '-Df', '-W', '-M'], {
    encoding: 'utf8',
    maxBuffer: 1 << 28,
    cwd: tmpdir(),  // GMT leaves a gmt.history file where it runs
  });
  const pieces = [];
  for (const row of text.split('\n')) {
    if (row.startsWith('>')) pieces.push([]);
    else if (row.trim() !== '') {
      const [lon, lat] = row.trim().split(/\s+/).map(Number);
      pieces.at(-1).push([Math.round(lon / kShoreGrid), Math.round(lat / kShoreGrid)]);
    }
  }
  const key = ([x, y]) => `${x},${y}`;
  const closed = (line) => key(line[0]) === key(line.at(-1));
  let open = pieces.filter((piece) => piece.length >= 2);
  const rings = open.filter(closed);
  open = open.filter((piece) => !closed(piece));
  while (open.length > 0) {
    const line = open.pop();
    // Another piece that starts where this one ends, or ends where it starts.
    const after = open.findIndex((other) => key(other[0]) === key(line.at(-1)));
    const before = after < 0 ? open.findIndex((other) => key(other.at(-1)) === key(line[0])) : -1;
    if (after >= 0 || before >= 0) {
      const [other] = open.splice(after >= 0 ? after : before, 1);
      const joined = after >= 0 ? line.concat(other.slice(1)) : other.concat(line.slice(1));
      if (closed(joined)) rings.push(joined);
      else open.push(joined);
      continue;
    }
    const side = (p) => [p[0] === Math.round(west / kShoreGrid), p[0] === Math.round(east / kShoreGrid),
      p[1] === Math.round(south / kShoreGrid), p[1] === Math.round(north / kShoreGrid)];
    const a = side(line[0]);
    const b = side(line.at(-1));
    if (!a.some((onSide, i) => onSide && b[i])) {
      throw new Error(`a shore piece leaves the box at ${line[0]} and ${line.at(-1)} on different sides`);
    }
    rings.push(line.concat([line[0]]));
  }
  return rings.map((ring) => ring.map(([x, y]) => [x * kShoreGrid, y * kShoreGrid]));
}

// Sicily and the Maltese islands, cut east of the Strait of Messina where
// Calabria's shore leaves and re-enters by the same side.
const kHarbourRegions = [[12.3, 35.75, 15.66, 38.35]];

const land10 = landRings('land-10m');
const land50 = landRings('land-50m');
const land110 = landRings('land-110m');
const countries = require('world-atlas/countries-50m.json');
// Borders are the arcs that two countries share: no coastline twice.
const borders = topojson.mesh(countries, countries.objects.countries, (a, b) => a !== b);

bytes.push(...Buffer.from('ZGCL', 'ascii'));
u8(2);
u8(4 + kHarbourRegions.length);
const shoreTransform = {scale: [kShoreGrid, kShoreGrid], translate: [0, 0]};
const report = [
  `land 1:10m: ${writeLayer(1, 10, land10.transform, land10.rings)}`,
  `land 1:50m: ${writeLayer(1, 50, land50.transform, land50.rings)}`,
  `land 1:110m: ${writeLayer(1, 110, land110.transform, land110.rings)}`,
  `borders 1:50m: ${writeLayer(2, 50, countries.transform, borders.coordinates)}`,
  ...kHarbourRegions.map(
    (box) => `harbour region ${box.join('/')}: ${writeLayer(3, 1, shoreTransform, harbourRings(box), box)}`,
  ),
];
writeFileSync(output, Buffer.from(bytes));
console.log(`world-atlas ${atlasVersion} -> ${output} (${bytes.length} bytes)\n  ${report.join('\n  ')}`);
