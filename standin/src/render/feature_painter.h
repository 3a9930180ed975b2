// Paints the loaded features over the globe's picture: ground overlays and
// polygon fills draped on the ground, lines, icons (or the pushpin, or a
// heading's arrow) with their names, screen overlays and the description
// balloon. Also the line drawing the globe's own lines use.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

#include "render/globe_scene.h"
#include "render/globe_view.h"
#include "render/ground_drape.h"
#include "render/label_layout.h"

namespace standin {

inline void DrawPolyline(HDC dc, const std::vector<POINT>& points) {
  if (points.size() >= 2) {
    Polyline(dc, points.data(), static_cast<int>(points.size()));
  }
}

// Cuts a segment to the frame, in place (Liang-Barsky); false when none of
// it is inside.
inline bool ClipToFrame(PixelPoint& a, PixelPoint& b, double left, double top, double right,
                        double bottom) {
  double enter = 0;
  double leave = 1;
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) {
        return false;
      }
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  if (enter > leave) {
    return false;
  }
  const PixelPoint start{a.x + enter * dx, a.y + enter * dy};
  b = {a.x + leave * dx, a.y + leave * dy};
  a = start;
  return true;
}

// A line through places on the globe: split where it goes behind the globe
// or the camera, and cut to a frame around the view, so that GDI never
// meets the huge coordinates of places beside a low camera. Projection
// keeps straight lines straight, so the cut pieces lie where the whole
// segment would.
template <class PointAt>
void DrawGeoLine(HDC dc, const GlobeView& view, int steps, PointAt pointAt) {
  constexpr double kMargin = 4096;
  const double left = -kMargin;
  const double top = -kMargin;
  const double right = view.Width() + kMargin;
  const double bottom = view.Height() + kMargin;
  const auto toPoint = [](const PixelPoint& p) {
    return POINT{static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))};
  };
  std::vector<POINT> run;
  std::optional<PixelPoint> previous;
  for (int i = 0; i <= steps; ++i) {
    const auto pixel = view.ToPixel(pointAt(i));
    if (pixel && previous) {
      PixelPoint from = *previous;
      PixelPoint to = *pixel;
      if (ClipToFrame(from, to, left, top, right, bottom)) {
        const POINT start = toPoint(from);
        if (run.empty() || run.back().x != start.x || run.back().y != start.y) {
          DrawPolyline(dc, run);
          run.assign(1, start);
        }
        run.push_back(toPoint(to));
      }
    }
    previous = pixel;
  }
  DrawPolyline(dc, run);
}

[[nodiscard]] inline bool IsNearView(const PixelPoint& pixel, int width, int height) {
  return pixel.x >= -50 && pixel.y >= -20 && pixel.x <= width + 50 && pixel.y <= height + 20;
}

// Where each feature name goes: decided before the globe's place names are
// offered, written after the icons are drawn.
struct FeatureLabels {
  struct Label {
    std::size_t marker = 0;
    LabelBox box;
  };
  std::vector<Label> placed;
};

// Offers the markers' names to the layout: the live position's first, then
// the others in load order (oldest load first, document order inside).
[[nodiscard]] FeatureLabels ReserveFeatureLabels(HDC dc, const GlobeView& view,
                                                 const GlobeScene& scene, LabelLayout& layout);

// Everything of the loaded features, in the picture's pixels and through
// `dc` (the memory DC holding them; flushed by the caller before).
void PaintFeatures(HDC dc, PixelCanvas canvas, const GlobeView& view, const GlobeScene& scene,
                   const FeatureLabels& labels);

}  // namespace standin
