// The stand-in's surface painting, the per-pixel part of every frame, for
// the showcase views at two window sizes, against a lower bound measured
// in the same run: one bilinear fetch from the surface picture and one
// store per pixel, on one thread. The frame is painted as the render
// thread paints it: the shore masks the view needs, then every pixel on
// every core.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "render/coastlines.h"
#include "render/globe_view.h"
#include "render/surface_image.h"
#include "render/surface_painter.h"
#include "showcase_scenes.h"

namespace {

using namespace standin;

SurfaceImage DecodeJpeg(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) {
    throw std::runtime_error(std::string("cannot open ") + path);
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(x) * 3;
      pixels[static_cast<std::size_t>(y) * width + x] =
          (std::uint32_t{row[i]} << 16) | (std::uint32_t{row[i + 1]} << 8) | row[i + 2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return SurfaceImage(width, height, std::move(pixels));
}

Coastlines ReadCoastlines(const char* path, CoastLayers layers) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> chars((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  if (chars.empty()) {
    throw std::runtime_error(std::string("cannot read ") + path);
  }
  return DecodeCoastlines(std::span(reinterpret_cast<const std::byte*>(chars.data()), chars.size()),
                          layers);
}

struct Data {
  Coastlines coastlines = ReadCoastlines(STANDIN_COASTLINES_BIN, CoastLayers::kWorld);
  Coastlines coasts = ReadCoastlines(STANDIN_COASTLINES_BIN, CoastLayers::kCoasts);
  SurfaceImage imagery = DecodeJpeg(STANDIN_EARTH_JPG);
  SurfaceColours colours{imagery, coastlines.land};
};

const Data& TheData() {
  static const Data data;
  return data;
}

void LowerBound(benchmark::State& state, const CameraState& camera, int width, int height) {
  const SurfaceImage& imagery = TheData().imagery;
  const LatLonBox box = GlobeView(camera, width, height).Extents();
  const double east = box.east < box.west ? box.east + 360.0 : box.east;
  const double stepX = (east - box.west) / width;
  const double stepY = (box.north - box.south) / height;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (auto _ : state) {
    std::uint32_t* out = pixels.data();
    for (int y = 0; y < height; ++y) {
      const double latitude = box.north - (y + 0.5) * stepY;
      for (int x = 0; x < width; ++x) {
        *out++ = imagery.Sample(latitude, box.west + (x + 0.5) * stepX);
      }
    }
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
}

void Frame(benchmark::State& state, const CameraState& camera, int width, int height) {
  const Data& data = TheData();
  SurfaceSources sources;
  sources.coastlines = &data.coastlines;
  sources.coasts = &data.coasts;
  sources.imagery = &data.imagery;
  sources.colours = &data.colours;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (auto _ : state) {
    const GlobeView view(camera, width, height);
    benchmark::DoNotOptimize(PaintFrameSurface(view, sources, pixels));
    benchmark::ClobberMemory();
  }
}

// Keeps each run's time per frame (the median of repetitions, when
// repeated) for the closing table, in milliseconds (every run's unit).
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool single = run.run_type == Run::RT_Iteration && run.iterations > 0;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (!single && !median) {
        continue;
      }
      std::string name = run.benchmark_name();
      if (const auto suffix = name.find("/real_time"); suffix != std::string::npos) {
        name.resize(suffix);
      }
      // A median, once there, outweighs the single runs it summarises.
      if (median || !medians_.contains(name)) {
        milliseconds[name] = run.GetAdjustedRealTime();
      }
      if (median) {
        medians_.insert(name);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> milliseconds;

 private:
  std::set<std::string> medians_;
};

struct Size {
  int width;
  int height;
};
constexpr Size kSizes[] = {{800, 600}, {1280, 800}};

std::string SizeName(const Size& size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

}  // namespace

int main(int argc, char** argv) {
  (void)TheData();  // decoded before any timing
  for (const ShowcaseScene& scene : ShowcaseScenes()) {
    for (const Size& size : kSizes) {
      const std::string suffix = std::string(scene.name) + "/" + SizeName(size);
      benchmark::RegisterBenchmark(("frame/" + suffix).c_str(), Frame, scene.camera, size.width,
                                   size.height)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
      benchmark::RegisterBenchmark(("bound/" + suffix).c_str(), LowerBound, scene.camera,
                                   size.width, size.height)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  benchmark::Initialize(&argc, argv);
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  benchmark::Shutdown();

  std::printf("\n%-22s %-10s %9s %9s %6s   (%u threads)\n", "scene", "size", "frame ms", "bound ms",
              "ratio", std::max(1U, std::thread::hardware_concurrency()));
  double worst = 0;
  std::string worstName = "none";
  for (const ShowcaseScene& scene : ShowcaseScenes()) {
    for (const Size& size : kSizes) {
      const std::string suffix = std::string(scene.name) + "/" + SizeName(size);
      const auto frame = recorder.milliseconds.find("frame/" + suffix);
      const auto bound = recorder.milliseconds.find("bound/" + suffix);
      if (frame == recorder.milliseconds.end() || bound == recorder.milliseconds.end()) {
        continue;
      }
      const double ratio = frame->second / bound->second;
      std::printf("%-22s %-10s %9.2f %9.2f %6.2f\n", scene.name, SizeName(size).c_str(),
                  frame->second, bound->second, ratio);
      if (ratio > worst) {
        worst = ratio;
        worstName = std::string(scene.name) + ", " + SizeName(size);
      }
    }
  }
  std::printf("frames: worst ratio %.2f to the lower bound (%s)\n", worst, worstName.c_str());
  return 0;
}
