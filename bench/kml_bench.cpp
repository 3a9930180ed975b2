// Cost of the overlay documents against what their numbers alone cost.
//
// For each workload (a document kind, a route length) the same run measures:
//   Document      the document as the panel builds it;
//   Snprintf      each number by snprintf("%.15g") and its first "," made
//                 "." (the printf way), plus one copy of the document's size;
//   Ostream       each number by std::ostringstream at precision 15, plus the
//                 same copy;
//   LowerBound    each number by std::to_chars (15 significant digits, the
//                 call the documents need) into a stack buffer, plus one
//                 memcpy of the document's size into a buffer allocated once;
//   LowerBoundNew the same, copying into a freshly allocated buffer as the
//                 document must (page faults of long documents included).
// Counters: bytes of the document, heap allocations per iteration.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "kml/overlay_documents.h"

namespace {

using namespace zge::kml;
// Literals with their length known, as the panel hands its texts over.
using namespace std::string_view_literals;

// One document kind with its inputs, and the numbers it writes.
struct Workload {
  std::function<std::u16string()> build;
  std::vector<double> numbers;
  std::size_t documentBytes = 0;
};

// Positions as a GPS receiver gives them: full double precision.
double Latitude(std::size_t i) { return 51.4772 + 0.000123456789123 * static_cast<double>(i); }
double Longitude(std::size_t i) { return -0.0014 - 0.000098765432198 * static_cast<double>(i); }

struct RouteInput {
  std::vector<std::u16string> names;
  std::vector<RoutePoint> points;
};

Workload MakeRoute(std::size_t count) {
  auto input = std::make_shared<RouteInput>();
  input->names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string number = std::to_string(i);
    input->names.push_back(u"WP " + std::u16string(number.begin(), number.end()));
  }
  for (std::size_t i = 0; i < count; ++i) {
    input->points.push_back({input->names[i], u"Turn to port & follow the buoys", u"wp.png",
                             Latitude(i), Longitude(i)});
  }
  Workload w;
  w.build = [input] { return RouteDocument(input->points, u"Solent", u"Day trip", 0x0000FF); };
  for (const RoutePoint& point : input->points) {
    w.numbers.push_back(point.longitude);
    w.numbers.push_back(point.latitude);
  }
  return w;
}

Workload MakeWorkload(const std::string& kind, std::size_t count) {
  Workload w;
  if (kind == "Waypoint") {
    w.build = [] {
      return WaypointDocument(u"Harbour entrance"sv, u"Fish & Chips on the quay"sv, u"wp.png"sv,
                              Latitude(7), Longitude(7));
    };
    w.numbers = {Longitude(7), Latitude(7)};
  } else if (kind == "LiveGps") {
    w.build = [] {
      return LiveGpsDocument(u"Boat"sv, u"Under way"sv, u"boat.png"sv, Latitude(9), Longitude(9),
                             273);
    };
    w.numbers = {Longitude(9), Latitude(9)};
  } else if (kind == "TrackLeg") {
    w.build = [] {
      return TrackLegDocument(
          u"Leg"sv, u"boat.png"sv,
          TrackLeg{Latitude(3), Longitude(3), Latitude(4), Longitude(4), 0xFF00, 41, 273, true});
    };
    w.numbers = {Longitude(3), Latitude(3), Longitude(4), Latitude(4)};
  } else {
    w = MakeRoute(count);
  }
  w.documentBytes = w.build().size() * sizeof(char16_t);
  return w;
}

void Finish(benchmark::State& state, const Workload& w, long allocationsBefore) {
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["bytes"] = static_cast<double>(w.documentBytes);
  state.counters["allocs"] =
      static_cast<double>(zge::testing::AllocationCount() - allocationsBefore) / iterations;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(w.documentBytes));
}

void Document(benchmark::State& state, const Workload& w) {
  const long before = zge::testing::AllocationCount();
  for (auto _ : state) {
    std::u16string document = w.build();
    benchmark::DoNotOptimize(document.data());
  }
  Finish(state, w, before);
}

// Copies a document's worth of bytes, as every way of building it must.
void CopyDocument(const std::vector<char>& from, char* to) {
  std::memcpy(to, from.data(), from.size());
  benchmark::ClobberMemory();
}

template <typename Format>
void NumbersAndCopy(benchmark::State& state, const Workload& w, const Format& format) {
  const std::vector<char> source(w.documentBytes, 'x');
  std::vector<char> target(w.documentBytes);
  const long before = zge::testing::AllocationCount();
  for (auto _ : state) {
    for (const double number : w.numbers) {
      format(number);
    }
    CopyDocument(source, target.data());
  }
  Finish(state, w, before);
}

void Snprintf(benchmark::State& state, const Workload& w) {
  NumbersAndCopy(state, w, [](double number) {
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%.15g", number);
    if (char* comma =
            static_cast<char*>(std::memchr(buffer, ',', static_cast<std::size_t>(length)))) {
      *comma = '.';
    }
    benchmark::DoNotOptimize(buffer);
  });
}

void Ostream(benchmark::State& state, const Workload& w) {
  NumbersAndCopy(state, w, [](double number) {
    std::ostringstream stream;
    stream.precision(15);
    stream << number;
    std::string text = stream.str();
    benchmark::DoNotOptimize(text.data());
  });
}

void FormatToChars(double number) {
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific, 14);
  benchmark::DoNotOptimize(result.ptr);
  benchmark::DoNotOptimize(buffer);
}

void LowerBound(benchmark::State& state, const Workload& w) {
  NumbersAndCopy(state, w, FormatToChars);
}

void LowerBoundNew(benchmark::State& state, const Workload& w) {
  const std::vector<char> source(w.documentBytes, 'x');
  const long before = zge::testing::AllocationCount();
  for (auto _ : state) {
    for (const double number : w.numbers) {
      FormatToChars(number);
    }
    std::unique_ptr<char[]> target(new char[w.documentBytes]);
    CopyDocument(source, target.get());
  }
  Finish(state, w, before);
}

void RegisterWorkload(const std::string& name, const std::string& kind, std::size_t count) {
  auto workload = std::make_shared<Workload>(MakeWorkload(kind, count));
  using Method = void (*)(benchmark::State&, const Workload&);
  const std::pair<const char*, Method> methods[] = {{"Document", Document},
                                                    {"Snprintf", Snprintf},
                                                    {"Ostream", Ostream},
                                                    {"LowerBound", LowerBound},
                                                    {"LowerBoundNew", LowerBoundNew}};
  for (const auto& [methodName, method] : methods) {
    auto* benchmark = benchmark::RegisterBenchmark(
        (name + "/" + methodName).c_str(),
        [workload, method = method](benchmark::State& state) { method(state, *workload); });
    if (count >= 100000) {
      benchmark->Unit(benchmark::kMillisecond);
    } else {
      benchmark->Unit(benchmark::kNanosecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterWorkload("Waypoint", "Waypoint", 0);
  RegisterWorkload("LiveGps", "LiveGps", 0);
  RegisterWorkload("TrackLeg", "TrackLeg", 0);
  RegisterWorkload("Route10", "Route", 10);
  RegisterWorkload("Route1000", "Route", 1000);
  RegisterWorkload("Route100000", "Route", 100000);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
