// Writes coastlines.bin, the stand-in's land outlines and country borders,
// from Natural Earth's land and country polygons as the npm package
// world-atlas ships them (TopoJSON). See README.md beside this file.
//
//   mkdir -p /tmp/coastgen && cd /tmp/coastgen
//   npm install world-atlas@2.0.2 topojson-client@3.1.0
//   node /path/to/standin/data/make_coastlines.mjs /tmp/coastgen standin/data/coastlines.bin
//
// The format (all integers little-endian), read by standin/src/coastlines.cpp:
//   "ZGCL", u8 version (1), u8 layer count, then per layer:
//     u8 kind (1 land rings: closed, exterior and holes alike; 2 border lines),
//     u8 detail (the Natural Earth scale: 50 or 110),
//     f64 x scale, f64 y scale, f64 x offset, f64 y offset (degrees),
//     varint line count, then per line: varint point count and that many
//     (x, y) pairs of zigzag varints, each the change from the point before
//     (the first from 0, 0). longitude = x * x scale + x offset, likewise y.
// The grid is TopoJSON's own quantisation, so nothing is lost.
import {createRequire} from 'node:module';
import {writeFileSync} from 'node:fs';
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

function writeLayer(kind, detail, transform, lines) {
  const [sx, sy] = transform.scale;
  const [tx, ty] = transform.translate;
  u8(kind);
  u8(detail);
  f64(sx);
  f64(sy);
  f64(tx);
  f64(ty);
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

const land50 = landRings('land-50m');
const land110 = landRings('land-110m');
const countries = require('world-atlas/countries-50m.json');
// Borders are the arcs that two countries share: no coastline twice.
const borders = topojson.mesh(countries, countries.objects.countries, (a, b) => a !== b);

bytes.push(...Buffer.from('ZGCL', 'ascii'));
u8(1);
u8(3);
const report = [
  `land 1:50m: ${writeLayer(1, 50, land50.transform, land50.rings)}`,
  `land 1:110m: ${writeLayer(1, 110, land110.transform, land110.rings)}`,
  `borders 1:50m: ${writeLayer(2, 50, countries.transform, borders.coordinates)}`,
];
writeFileSync(output, Buffer.from(bytes));
console.log(`world-atlas ${atlasVersion} -> ${output} (${bytes.length} bytes)\n  ${report.join('\n  ')}`);
