#!/usr/bin/env python3
"""Makes the demo's sample voyage: a day's passage from Valletta (Malta) to
Syracuse (Sicily) as a boat's NMEA 0183 log, and the GPX of the harbours and
the planned route.

    tools/make_voyage.py [samples/]

The track is simulated (a sailing yacht at about 6.5 knots that wanders
off the rhumb line and yaws about its course) and checked against the
land outlines the stand-in draws (standin/data/coastlines.bin): away from
the two harbours every fix, and every point 500 m around it, must be at
sea. A handful of lines are damaged on purpose, as a real log has them.
The same script gives the same bytes (a fixed seed)."""
import math
import random
import struct
import sys
from datetime import datetime, timedelta, timezone
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
NAME = "valletta-syracuse"
# The planned route: the harbours, then turning points off the capes.
ROUTE = [
    ("Valletta", 35.8985, 14.5205, "Grand Harbour, Malta: port of departure"),
    ("Off St. Elmo", 35.9200, 14.5600, "Clear of the breakwaters"),
    ("Off Capo Passero", 36.6200, 15.2500, "Sicily's south-east cape, 10 km off"),
    ("Off Murro di Porco", 37.0000, 15.4000, "Cape south of Syracuse, 6 km off"),
    ("Porto Grande", 37.0450, 15.3000, "The harbour mouth"),
    ("Syracuse", 37.0550, 15.2800, "Porto Grande, Sicily: port of arrival"),
]
START = datetime(2026, 6, 14, 5, 30, tzinfo=timezone.utc)
INTERVAL_S = 15
SPEED_KN = 6.5
HARBOUR_ZONE_M = 2500  # near the harbours the 1:50m outlines are too coarse
SEA_MARGIN_DEG = 0.0045  # about 500 m
EARTH_RADIUS_M = 6371000.0


def read_land_rings(path):
    """The 1:50m land rings of coastlines.bin (format: make_coastlines.mjs)."""
    data = path.read_bytes()
    at = 0

    def byte():
        nonlocal at
        at += 1
        return data[at - 1]

    def varint():
        value, shift = 0, 0
        while True:
            b = byte()
            value |= (b & 0x7F) << shift
            if not b & 0x80:
                return value
            shift += 7

    def zigzag():
        v = varint()
        return (v >> 1) ^ -(v & 1)

    assert data[:4] == b"ZGCL" and data[4] == 1, "not a coastline file"
    at = 5
    layers = byte()
    result = []
    for _ in range(layers):
        kind, detail = byte(), byte()
        sx, sy, tx, ty = struct.unpack_from("<4d", data, at)
        at += 32
        for _ in range(varint()):
            x = y = 0
            ring = []
            for _ in range(varint()):
                x += zigzag()
                y += zigzag()
                ring.append((y * sy + ty, x * sx + tx))
            if kind == 1 and detail == 50:
                result.append(ring)
    return result


def near(rings, south, north, west, east):
    return [r for r in rings
            if max(p[0] for p in r) >= south and min(p[0] for p in r) <= north
            and max(p[1] for p in r) >= west and min(p[1] for p in r) <= east]


def on_land(rings, lat, lon):
    inside = False
    for ring in rings:
        for (lat1, lon1), (lat2, lon2) in zip(ring, ring[1:]):
            if (lat1 > lat) != (lat2 > lat):
                cross = lon1 + (lat - lat1) * (lon2 - lon1) / (lat2 - lat1)
                if lon < cross:
                    inside = not inside
    return inside


def distance_bearing(a, b):
    lat1, lon1, lat2, lon2 = map(math.radians, (a[0], a[1], b[0], b[1]))
    d = 2 * math.asin(math.sqrt(math.sin((lat2 - lat1) / 2) ** 2 +
                                math.cos(lat1) * math.cos(lat2) * math.sin((lon2 - lon1) / 2) ** 2))
    y = math.sin(lon2 - lon1) * math.cos(lat2)
    x = math.cos(lat1) * math.sin(lat2) - math.sin(lat1) * math.cos(lat2) * math.cos(lon2 - lon1)
    return d * EARTH_RADIUS_M, (math.degrees(math.atan2(y, x)) + 360) % 360


def offset(point, metres_north, metres_east):
    lat = point[0] + math.degrees(metres_north / EARTH_RADIUS_M)
    lon = point[1] + math.degrees(metres_east / (EARTH_RADIUS_M * math.cos(math.radians(point[0]))))
    return lat, lon


def simulate():
    rng = random.Random(20260614)
    legs = []
    for a, b in zip(ROUTE, ROUTE[1:]):
        length, bearing = distance_bearing(a[1:3], b[1:3])
        legs.append((a[1:3], length, bearing))
    total = sum(leg[1] for leg in legs)
    fixes = []
    travelled = 0.0
    t = 0
    phase = rng.uniform(0, 6.28)
    while travelled < total:
        # Along-track position, then a slow wander off the rhumb line that
        # fades out near either harbour.
        rest, leg = travelled, legs[0]
        for leg in legs:
            if rest <= leg[1]:
                break
            rest -= leg[1]
        along = offset(leg[0], rest * math.cos(math.radians(leg[2])),
                       rest * math.sin(math.radians(leg[2])))
        fade = min(1.0, travelled / 3000.0, (total - travelled) / 3000.0)
        wander = fade * 180.0 * math.sin(travelled / 9000.0 + phase)
        side = math.radians(leg[2] + 90)
        lat, lon = offset(along, wander * math.cos(side), wander * math.sin(side))
        speed = SPEED_KN * (1 + 0.12 * math.sin(t / 2400.0) + rng.gauss(0, 0.02))
        if travelled < 1500 or total - travelled < 1500:
            speed = min(speed, 4.0)  # under engine in the harbours
        course = (leg[2] + 8 * math.cos(travelled / 9000.0 + phase) * fade + rng.gauss(0, 1.5)) % 360
        heading = (course - 4 + rng.gauss(0, 2.5)) % 360  # leeway and yaw
        fixes.append(dict(time=START + timedelta(seconds=t), lat=lat + rng.gauss(0, 0.00002),
                          lon=lon + rng.gauss(0, 0.00002), speed=speed, course=course,
                          heading=heading, travelled=travelled, left=total - travelled))
        travelled += speed * 1852 / 3600 * INTERVAL_S
        t += INTERVAL_S
    return fixes, total


def check_at_sea(fixes):
    rings = near(read_land_rings(ROOT / "standin/data/coastlines.bin"), 35.5, 37.5, 14.0, 15.8)
    assert rings, "no land found near Malta and Sicily"
    checked = 0
    for fix in fixes:
        if min(fix["travelled"], fix["left"]) < HARBOUR_ZONE_M:
            continue
        checked += 1
        for dlat, dlon in ((0, 0), (SEA_MARGIN_DEG, 0), (-SEA_MARGIN_DEG, 0),
                           (0, SEA_MARGIN_DEG), (0, -SEA_MARGIN_DEG)):
            if on_land(rings, fix["lat"] + dlat, fix["lon"] + dlon):
                raise SystemExit(f"fix at {fix['time']:%H:%M:%S} ({fix['lat']:.4f}, "
                                 f"{fix['lon']:.4f}) is within 500 m of land")
    return checked


def checksum(body):
    value = 0
    for c in body.encode("ascii"):
        value ^= c
    return f"${body}*{value:02X}"


def angle(value, width, positive, negative):
    hemisphere = positive if value >= 0 else negative
    value = abs(value)
    degrees = int(value)
    minutes = (value - degrees) * 60
    return f"{degrees:0{width}d}{minutes:07.4f}", hemisphere


def sentences(fix, index):
    hhmmss = fix["time"].strftime("%H%M%S") + ".00"
    lat, ns = angle(fix["lat"], 2, "N", "S")
    lon, ew = angle(fix["lon"], 3, "E", "W")
    date = fix["time"].strftime("%d%m%y")
    lines = [
        f"GPRMC,{hhmmss},A,{lat},{ns},{lon},{ew},{fix['speed']:.1f},{fix['course']:.1f},{date},,,A",
        f"GPGGA,{hhmmss},{lat},{ns},{lon},{ew},1,{8 + index % 4:02d},0.9,2.1,M,40.5,M,,",
        f"HEHDT,{fix['heading']:.1f},T",
    ]
    if index % 4 == 0:
        lines.append(f"GPVTG,{fix['course']:.1f},T,,M,{fix['speed']:.1f},N,"
                     f"{fix['speed'] * 1.852:.1f},K,A")
    return [checksum(body) for body in lines]


def damage(log):
    """Lines as a serial link or a receiver spoils them: inserted beside
    good ones, so that no fix is lost and the reader's counts can be checked."""
    def corrupt_checksum(line):
        return line[:-2] + ("00" if line[-2:] != "00" else "11")

    def flip_digit(line):
        i = line.index(",", 10) + 3
        return line[:i] + ("7" if line[i] != "7" else "3") + line[i + 1:]

    damaged = [
        (200, lambda l: corrupt_checksum(l)),
        (900, lambda l: flip_digit(l)),             # a digit changed: the checksum catches it
        (1500, lambda l: l[:30]),                   # cut short
        (2100, lambda l: l[:len(l) - 6]),           # cut before its checksum
        (2600, lambda l: checksum("GPGGA,,,,,,0,00,,,M,,M,,")),  # a receiver without time
        (3100, lambda l: checksum("GPRMC," + l.split(",")[1] + ",A,,,,,,,"
                                  + l.split(",")[9] + ",,,A")),
        (3500, lambda l: checksum("GPRMC," + l.split(",")[1] + ",V,,,,,0.0,,"
                                  + l.split(",")[9] + ",,,N")),
    ]
    for line_index, spoil in reversed(damaged):
        # The RMC sentence at or after that line, damaged, inserted before it.
        i = line_index
        while not log[i].startswith("$GPRMC"):
            i += 1
        log.insert(i, spoil(log[i]))
    return log


def write_gpx(path):
    def point(tag, name, lat, lon, desc, indent):
        return (f'{indent}<{tag} lat="{lat:.4f}" lon="{lon:.4f}"><name>{name}</name>'
                f'<desc>{desc}</desc></{tag}>\n')

    text = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<gpx version="1.1" creator="ZelkanGE tools/make_voyage.py"'
            ' xmlns="http://www.topografix.com/GPX/1/1">\n'
            f'  <metadata><name>Valletta to Syracuse</name><time>{START:%Y-%m-%dT%H:%M:%SZ}</time>'
            '</metadata>\n')
    for name, lat, lon, desc in (ROUTE[0], ROUTE[2], ROUTE[-1]):
        text += point("wpt", name, lat, lon, desc, "  ")
    text += "  <rte>\n    <name>Valletta to Syracuse</name>\n"
    for name, lat, lon, desc in ROUTE:
        text += point("rtept", name, lat, lon, desc, "    ")
    text += "  </rte>\n</gpx>\n"
    path.write_bytes(text.encode("utf-8"))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "samples"
    out.mkdir(parents=True, exist_ok=True)
    fixes, total = simulate()
    checked = check_at_sea(fixes)
    log = []
    for index, fix in enumerate(fixes):
        log.extend(sentences(fix, index))
    log = damage(log)
    (out / f"{NAME}.nmea").write_bytes(("\r\n".join(log) + "\r\n").encode("ascii"))
    write_gpx(out / f"{NAME}.gpx")
    hours = (fixes[-1]["time"] - fixes[0]["time"]).total_seconds() / 3600
    print(f"{len(fixes)} fixes over {total / 1852:.1f} nm in {hours:.1f} h, {len(log)} lines; "
          f"{checked} fixes checked at sea (500 m clear of the 1:50m land)")


if __name__ == "__main__":
    main()
