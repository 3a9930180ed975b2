#!/usr/bin/env bash
# Rasterizes gdal_polygon.kml with GDAL (Debian's gdal-bin), an independent
# reader and rasterizer, into gdal_polygon.asc: a 0.25 degree grid over
# 29W..17W, 0N..12N, 1 where a cell's centre is inside the polygon (holes
# excluded). The stand-in's polygon fill is checked against it. The
# images beside the samples were drawn with ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
gdal_rasterize -q -burn 1 -init 0 -ot Byte -tr 0.25 0.25 -te -29 0 -17 12 \
  gdal_polygon.kml "$tmp/polygon.tif"
gdal_translate -q -of AAIGrid "$tmp/polygon.tif" gdal_polygon.asc
rm -f gdal_polygon.asc.aux.xml gdal_polygon.prj
