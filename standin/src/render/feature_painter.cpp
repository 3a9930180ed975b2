#include "render/feature_painter.h"

#include <array>
#include <map>
#include <numbers>
#include <string>

#include "platform/resources.h"
#include "render/pixel_blend.h"
#include "winbase/text.h"

namespace standin {
namespace {

// Names beyond this many markers are left out: a crowd of labels helps no one.
constexpr std::size_t kMaxLabels = 200;
// An icon's longer side at scale 1, in pixels.
constexpr double kIconPixels = 32;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

POINT Offset(POINT from, double angleDegrees, double length) {
  const double radians = angleDegrees * kRadiansPerDegree;
  // Screen y grows downwards; angles run clockwise from up.
  return {from.x + static_cast<LONG>(std::lround(length * std::sin(radians))),
          from.y - static_cast<LONG>(std::lround(length * std::cos(radians)))};
}

POINT Rounded(const PixelPoint& pixel) {
  return {static_cast<LONG>(std::lround(pixel.x)), static_cast<LONG>(std::lround(pixel.y))};
}

// The arrow of a placemark that has a heading and names no icon: the live
// position as a GPS host writes it.
void DrawArrow(HDC dc, POINT at, double angle) {
  const POINT arrow[] = {Offset(at, angle, 10), Offset(at, angle + 140, 7),
                         Offset(at, angle + 180, 3), Offset(at, angle - 140, 7)};
  Polygon(dc, arrow, 4);
}

void DrawLines(HDC dc, const GlobeView& view, const std::vector<SceneLine>& lines) {
  for (const SceneLine& line : lines) {
    const unique_hpen pen(
        CreatePen(PS_SOLID, line.width,
                  RGB((line.rgb >> 16) & 0xFF, (line.rgb >> 8) & 0xFF, line.rgb & 0xFF)));
    if (!pen) {
      continue;
    }
    const select_object_scope select(dc, pen.get());
    DrawGeoLine(dc, view, static_cast<int>(line.points.size()) - 1,
                [&](int i) { return line.points[static_cast<std::size_t>(i)]; });
  }
}

// The pushpin drawn where a placemark has no usable icon: a yellow head on
// a needle whose tip (the hot spot) is at the bottom's middle. Made once.
const RasterImage& Pushpin() {
  static const RasterImage pin = [] {
    RasterImage image;
    image.width = image.height = image.sourceWidth = image.sourceHeight = 32;
    image.pixels.assign(std::size_t{32} * 32, 0);
    const auto put = [&](int x, int y, std::uint32_t argb) {
      image.pixels[static_cast<std::size_t>(y) * 32 + static_cast<std::size_t>(x)] = argb;
    };
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const double dx = x + 0.5 - 16;
        const double dy = y + 0.5 - 10;
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r <= 8.5) {
          put(x, y, r > 7.3 ? 0xFF281E00 : (dx < -2 && dy < -2 ? 0xFFFFF6B0 : 0xFFFFEC40));
        } else if (y >= 18 && std::abs(dx) <= 1.0 - (y - 18) / 16.0) {
          put(x, y, 0xFF606060);
        }
      }
    }
    return image;
  }();
  return pin;
}

// A KML point in an image (from its bottom left, in the units given) as
// pixels from the top left of the image drawn `width` x `height`.
PixelPoint PointIn(const KmlVec2& vec, const RasterImage& image, double width, double height) {
  const double sx = width / std::max(image.sourceWidth, 1);
  const double sy = height / std::max(image.sourceHeight, 1);
  const auto axis = [](double value, KmlUnits units, double size, double scale) {
    switch (units) {
      case KmlUnits::kPixels:
        return value * scale;
      case KmlUnits::kInsetPixels:
        return size - value * scale;
      default:
        return value * size;
    }
  };
  return {axis(vec.x, vec.xUnits, width, sx), height - axis(vec.y, vec.yUnits, height, sy)};
}

// Draws the image `width` x `height` pixels large with its point `hot`
// (from its top left) at `anchor`, turned clockwise by `angle` degrees
// about that point, tinted by a KML colour.
void BlitImage(PixelCanvas canvas, const RasterImage& image, PixelPoint anchor, double width,
               double height, PixelPoint hot, double angle, std::uint32_t tint) {
  if (width < 0.5 || height < 0.5 || image.width <= 0 || image.height <= 0) {
    return;
  }
  const double c = std::cos(angle * kRadiansPerDegree);
  const double s = std::sin(angle * kRadiansPerDegree);
  double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
  for (const auto& [x, y] : {std::pair{0.0, 0.0}, {width, 0.0}, {0.0, height}, {width, height}}) {
    const double rx = x - hot.x;
    const double ry = y - hot.y;
    const double px = anchor.x + rx * c - ry * s;
    const double py = anchor.y + rx * s + ry * c;
    left = std::min(left, px);
    right = std::max(right, px);
    top = std::min(top, py);
    bottom = std::max(bottom, py);
  }
  const int x0 = std::max(0, static_cast<int>(std::floor(left)));
  const int x1 = std::min(canvas.width, static_cast<int>(std::ceil(right)));
  const int y0 = std::max(0, static_cast<int>(std::floor(top)));
  const int y1 = std::min(canvas.height, static_cast<int>(std::ceil(bottom)));
  const double toSourceX = image.width / width;
  const double toSourceY = image.height / height;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const double dx = x + 0.5 - anchor.x;
      const double dy = y + 0.5 - anchor.y;
      const double ix = dx * c + dy * s + hot.x;
      const double iy = -dx * s + dy * c + hot.y;
      if (ix < 0 || iy < 0 || ix >= width || iy >= height) {
        continue;
      }
      const std::uint32_t pixel = Tinted(Sample(image, ix * toSourceX, iy * toSourceY), tint);
      BlendOver(canvas.bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                            static_cast<std::size_t>(x)],
                pixel);
    }
  }
}

// How a marker's icon is drawn: the image (the pushpin when it has none
// usable), its size on the screen and the point of it at the placemark.
struct IconLayout {
  const RasterImage* image = nullptr;
  double width = 0;
  double height = 0;
  PixelPoint hot;
  bool pushpin = false;
};

IconLayout LayoutIcon(const SceneMarker& marker, const std::shared_ptr<const RasterImage>& loaded) {
  IconLayout layout;
  layout.pushpin = !loaded;
  layout.image = loaded ? loaded.get() : &Pushpin();
  const double longer = std::max(layout.image->width, layout.image->height);
  const double size = kIconPixels * std::clamp(marker.iconScale, 0.0, 8.0);
  layout.width = size * layout.image->width / longer;
  layout.height = size * layout.image->height / longer;
  const KmlVec2 pinTip{0.5, 0, KmlUnits::kFraction, KmlUnits::kFraction};
  layout.hot =
      PointIn(loaded ? marker.hotSpot : pinTip, *layout.image, layout.width, layout.height);
  return layout;
}

void DrawIcon(PixelCanvas canvas, const SceneMarker& marker, PixelPoint at, double viewAzimuth) {
  const auto loaded = marker.icon ? marker.icon->Get() : nullptr;
  const IconLayout icon = LayoutIcon(marker, loaded);
  const double angle = marker.heading && loaded ? *marker.heading - viewAzimuth : 0.0;
  BlitImage(canvas, *icon.image, at, icon.width, icon.height, icon.hot, angle, marker.iconColour);
}

// Where a marker's name starts (left, middle of its height), from its
// point: beside its icon, the heading's arrow or the pushpin's head.
PixelPoint LabelStart(const SceneMarker& marker) {
  if (!marker.iconGiven && marker.heading) {
    return {12, 0};
  }
  const auto loaded = marker.icon ? marker.icon->Get() : nullptr;
  const IconLayout icon = LayoutIcon(marker, loaded);
  if (icon.pushpin) {
    return {icon.width * 0.25 + 3, -icon.height * 0.69};
  }
  return {icon.width - icon.hot.x + 3, icon.height / 2 - icon.hot.y};
}

int FontHeight(double scale) {
  return static_cast<int>(std::lround(std::clamp(13.0 * scale, 6.0, 64.0)));
}

// The fonts of one picture, one per label size.
class LabelFonts {
 public:
  HFONT For(double scale) {
    const int height = FontHeight(scale);
    auto found = fonts_.find(height);
    if (found == fonts_.end()) {
      found = fonts_
                  .emplace(height, unique_hfont(CreateFontW(
                                       -height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma")))
                  .first;
    }
    return found->second ? found->second.get()
                         : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }

 private:
  std::map<int, unique_hfont> fonts_;
};

bool WantsLabel(const SceneMarker& marker) {
  return !marker.name.empty() && AlphaOfKml(marker.labelColour) != 0 && marker.labelScale > 0;
}

void DrawLabels(HDC dc, const GlobeScene& scene, const FeatureLabels& labels) {
  LabelFonts fonts;
  for (const FeatureLabels::Label& label : labels.placed) {
    const SceneMarker& marker = scene.markers[label.marker];
    const select_object_scope font(dc, fonts.For(marker.labelScale));
    const int length = static_cast<int>(marker.name.size());
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, label.box.left + 1, label.box.top + 1, winbase::AsWide(marker.name), length);
    const std::uint32_t rgb = RgbOfKml(marker.labelColour);
    SetTextColor(dc, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    TextOutW(dc, label.box.left, label.box.top, winbase::AsWide(marker.name), length);
  }
}

// Screen overlays: KML places them from the picture's bottom left.
void DrawScreenOverlay(PixelCanvas canvas, const SceneScreenOverlay& overlay) {
  const auto image = overlay.image ? overlay.image->Get() : nullptr;
  if (!image) {
    return;
  }
  const ScreenPlacement& place = overlay.place;
  const auto extent = [](double value, KmlUnits units, double screen, double native) {
    if (value < 0) {
      return native;
    }
    if (value == 0) {
      return -1.0;  // keeps the aspect ratio: decided below
    }
    return units == KmlUnits::kFraction ? value * screen : value;
  };
  double width = extent(place.size.x, place.size.xUnits, canvas.width, image->sourceWidth);
  double height = extent(place.size.y, place.size.yUnits, canvas.height, image->sourceHeight);
  const double aspect = static_cast<double>(image->sourceWidth) / std::max(image->sourceHeight, 1);
  if (width < 0 && height < 0) {
    width = image->sourceWidth;
    height = image->sourceHeight;
  } else if (width < 0) {
    width = height * aspect;
  } else if (height < 0) {
    height = width / aspect;
  }
  // Bounded so that a damaged size cannot ask for a huge loop.
  width = std::min(width, 4.0 * canvas.width);
  height = std::min(height, 4.0 * canvas.height);
  const auto onScreen = [&](const KmlVec2& vec) {
    const auto axis = [](double value, KmlUnits units, double size) {
      switch (units) {
        case KmlUnits::kPixels:
          return value;
        case KmlUnits::kInsetPixels:
          return size - value;
        default:
          return value * size;
      }
    };
    return PixelPoint{axis(vec.x, vec.xUnits, canvas.width),
                      canvas.height - axis(vec.y, vec.yUnits, canvas.height)};
  };
  const PixelPoint anchor = onScreen(place.screenXY);
  const PixelPoint hot = PointIn(place.overlayXY, *image, width, height);
  // Turned counter-clockwise about rotationXY (the anchor when not given).
  PixelPoint pivot = place.rotationXY ? onScreen(*place.rotationXY) : anchor;
  const double r = -place.rotation * kRadiansPerDegree;
  const PixelPoint moved{
      pivot.x + (anchor.x - pivot.x) * std::cos(r) - (anchor.y - pivot.y) * std::sin(r),
      pivot.y + (anchor.x - pivot.x) * std::sin(r) + (anchor.y - pivot.y) * std::cos(r)};
  BlitImage(canvas, *image, moved, width, height, hot, -place.rotation, overlay.colour);
}

// The balloon: a white box above its place with a pointer down to it, the
// name in bold over the text.
void DrawBalloon(HDC dc, const GlobeView& view, const SceneBalloon& balloon) {
  const auto pixel = view.ToPixel(balloon.at);
  if (!pixel) {
    return;
  }
  // The tail points at the top of the placemark's icon, which stands above its point.
  const POINT at = Rounded({pixel->x, pixel->y - kIconPixels - 2});
  constexpr int kWidth = 300;
  constexpr int kPadding = 10;
  constexpr int kTail = 14;
  constexpr int kMaxTextHeight = 320;
  LabelFonts fonts;
  const unique_hfont body(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH, L"Tahoma"));
  const HFONT bodyFont = body ? body.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const UINT format = DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL;
  RECT title{0, 0, kWidth - 2 * kPadding, 0};
  RECT text{0, 0, kWidth - 2 * kPadding, 0};
  {
    const select_object_scope font(dc, fonts.For(1.1));
    DrawTextW(dc, winbase::AsWide(balloon.title), static_cast<int>(balloon.title.size()), &title,
              format | DT_CALCRECT);
  }
  {
    const select_object_scope font(dc, bodyFont);
    DrawTextW(dc, winbase::AsWide(balloon.text), static_cast<int>(balloon.text.size()), &text,
              format | DT_CALCRECT);
  }
  const int textHeight = std::min<int>(text.bottom, kMaxTextHeight);
  const int gap = balloon.title.empty() || balloon.text.empty() ? 0 : 6;
  const int height = 2 * kPadding + title.bottom + gap + textHeight;
  int left = std::clamp<int>(at.x - kWidth / 2, 4, std::max(4, view.Width() - kWidth - 4));
  int top = std::max(4, static_cast<int>(at.y) - kTail - height);
  const RECT box{left, top, left + kWidth, top + height};
  const unique_hbrush white(CreateSolidBrush(RGB(255, 255, 255)));
  const unique_hpen frame(CreatePen(PS_SOLID, 1, RGB(120, 120, 120)));
  if (!white || !frame) {
    return;
  }
  const select_object_scope brush(dc, white.get());
  const select_object_scope pen(dc, frame.get());
  const POINT tail[] = {{std::clamp<LONG>(at.x - 8, box.left + 8, box.right - 24), box.bottom - 1},
                        at,
                        {std::clamp<LONG>(at.x + 8, box.left + 24, box.right - 8), box.bottom - 1}};
  Polygon(dc, tail, 3);
  RoundRect(dc, box.left, box.top, box.right, box.bottom, 10, 10);
  // The tail's join with the box, without the box's frame across it.
  const unique_hpen whitePen(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
  if (whitePen) {
    const select_object_scope join(dc, whitePen.get());
    MoveToEx(dc, tail[0].x + 1, box.bottom - 1, nullptr);
    LineTo(dc, tail[2].x, box.bottom - 1);
  }
  SetTextColor(dc, RGB(20, 20, 20));
  RECT titleAt{left + kPadding, top + kPadding, left + kWidth - kPadding,
               top + kPadding + title.bottom};
  {
    const select_object_scope font(dc, fonts.For(1.1));
    DrawTextW(dc, winbase::AsWide(balloon.title), static_cast<int>(balloon.title.size()), &titleAt,
              format);
  }
  RECT textAt{left + kPadding, titleAt.bottom + gap, left + kWidth - kPadding,
              titleAt.bottom + gap + textHeight};
  SetTextColor(dc, RGB(50, 50, 50));
  const select_object_scope font(dc, bodyFont);
  DrawTextW(dc, winbase::AsWide(balloon.text), static_cast<int>(balloon.text.size()), &textAt,
            format);
}

}  // namespace

FeatureLabels ReserveFeatureLabels(HDC dc, const GlobeView& view, const GlobeScene& scene,
                                   LabelLayout& layout) {
  FeatureLabels labels;
  std::vector<std::size_t> order;
  order.reserve(scene.markers.size());
  for (const bool live : {true, false}) {
    for (std::size_t i = 0; i < scene.markers.size(); ++i) {
      if (scene.markers[i].live == live) {
        order.push_back(i);
      }
    }
  }
  LabelFonts fonts;
  std::size_t offered = 0;
  for (const std::size_t index : order) {
    const SceneMarker& marker = scene.markers[index];
    if (!WantsLabel(marker) || offered >= kMaxLabels) {
      continue;
    }
    const auto pixel = view.ToPixel(marker.at);
    if (!pixel || !IsNearView(*pixel, view.Width(), view.Height())) {
      continue;
    }
    ++offered;
    const select_object_scope font(dc, fonts.For(marker.labelScale));
    SIZE size{};
    GetTextExtentPoint32W(dc, winbase::AsWide(marker.name), static_cast<int>(marker.name.size()),
                          &size);
    const PixelPoint start = LabelStart(marker);
    const POINT at = Rounded({pixel->x + start.x, pixel->y + start.y});
    const LabelBox box{at.x, at.y - size.cy / 2, at.x + size.cx + 1,
                       at.y - size.cy / 2 + size.cy + 1};
    if (layout.TryPlace(box)) {
      labels.placed.push_back({index, box});
    }
  }
  return labels;
}

void PaintFeatures(HDC dc, PixelCanvas canvas, const GlobeView& view, const GlobeScene& scene,
                   const FeatureLabels& labels) {
  if (!scene.groundOverlays.empty() || !scene.polygons.empty()) {
    const auto [top, bottom] = GroundRows(view, scene);
    const GroundPixels ground(view, top, bottom);
    for (const SceneGroundOverlay& overlay : scene.groundOverlays) {
      DrapeGroundOverlay(view, overlay, ground, canvas);
    }
    for (const ScenePolygon& polygon : scene.polygons) {
      FillPolygon(view, polygon, ground, canvas);
    }
  }
  DrawLines(dc, view, scene.lines);
  {
    // Arrows first (GDI), then the icons into the pixels.
    const unique_hbrush fill(CreateSolidBrush(RGB(255, 236, 64)));
    const unique_hpen outline(CreatePen(PS_SOLID, 1, RGB(40, 30, 0)));
    if (fill && outline) {
      const select_object_scope brush(dc, fill.get());
      const select_object_scope pen(dc, outline.get());
      for (const SceneMarker& marker : scene.markers) {
        if (marker.iconGiven || !marker.heading) {
          continue;
        }
        const auto pixel = view.ToPixel(marker.at);
        if (!pixel || !IsNearView(*pixel, view.Width(), view.Height())) {
          continue;
        }
        DrawArrow(dc, Rounded(*pixel), *marker.heading - scene.camera.azimuth);
      }
    }
  }
  GdiFlush();
  for (const SceneMarker& marker : scene.markers) {
    if (!marker.iconGiven && marker.heading) {
      continue;
    }
    const auto pixel = view.ToPixel(marker.at);
    if (!pixel || !IsNearView(*pixel, view.Width(), view.Height())) {
      continue;
    }
    DrawIcon(canvas, marker, *pixel, scene.camera.azimuth);
  }
  DrawLabels(dc, scene, labels);
  GdiFlush();
  for (const SceneScreenOverlay& overlay : scene.screenOverlays) {
    DrawScreenOverlay(canvas, overlay);
  }
  if (scene.balloon) {
    DrawBalloon(dc, view, *scene.balloon);
  }
}

}  // namespace standin
