// The StatsPath file's numbers and text: percentiles of the recent frames,
// the exact line format a runner parses, and whole-file replacement.
#include "model/frame_stats.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "com/stats_file.h"
#include "model/error.h"
#include "test.h"

using namespace standin;
namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

STANDIN_TEST(FramePercentilesAreNearestRankOverTheRecentFrames) {
  struct Case {
    const char* name;
    int frames;  // painted 1, 2, ... frames ms
    double p50;
    double p99;
  };
  const Case cases[] = {
      {"no frame yet", 0, 0, 0},
      {"one frame", 1, 1, 1},
      {"four frames", 4, 2, 4},
      {"a hundred", 100, 50, 99},
      // Only the last 1024 count: frames 977..2000.
      {"more than the window", 2000, 1488, 1990},
  };
  for (const Case& c : cases) {
    FrameTimes times;
    for (int i = 1; i <= c.frames; ++i) {
      times.Add(i);
    }
    EXPECT_EQ_IN(times.Count(), static_cast<std::uint64_t>(c.frames), c.name);
    EXPECT_EQ_IN(times.Percentile(50), c.p50, c.name);
    EXPECT_EQ_IN(times.Percentile(99), c.p99, c.name);
  }
}

STANDIN_TEST(StatsTextHasItsLinesInAFixedOrder) {
  const StatsReport report{1234, 52.5, 88.126, 86400, 123456789, 85300};
  EXPECT_EQ(FormatStats(report),
            "frames 1234\nframe_ms_p50 52.50\nframe_ms_p99 88.13\ndocuments 86400\n"
            "private_bytes 123456789\nretired 85300\n");
  EXPECT_EQ(FormatStats({}),
            "frames 0\nframe_ms_p50 0.00\nframe_ms_p99 0.00\ndocuments 0\nprivate_bytes 0\n"
            "retired 0\n");
}

STANDIN_TEST(StatsFilesAreReplacedWholeWithNothingLeftBeside) {
  const fs::path folder =
      fs::temp_directory_path() / ("stats_test_" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  const fs::path path = folder / "stats.txt";
  ReplaceFileWhole(path.u16string(), "frames 1\n");
  ReplaceFileWhole(path.u16string(), "frames 2\n");
  EXPECT_EQ(ReadWhole(path), "frames 2\n");
  EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
  // A folder that is not there: an error naming the call, no file made.
  const fs::path nowhere = folder / "missing" / "stats.txt";
  EXPECT_THROW(ReplaceFileWhole(nowhere.u16string(), "x"), Error);
  EXPECT_FALSE(fs::exists(nowhere));

  // StatsFile: the first report is written at once, the next only after a
  // second and only when something changed.
  int reports = 0;
  StatsFile stats(path.u16string(), [&] {
    ++reports;
    return StatsReport{static_cast<std::uint64_t>(reports), 0, 0, 0, PrivateBytes(), 0};
  });
  EXPECT_EQ(stats.DueInMs(), 0U);
  stats.WriteIfDue();
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(stats.DueInMs(), INFINITE);
  stats.MarkChanged();
  EXPECT_GT(stats.DueInMs(), 0U);
  EXPECT_LE(stats.DueInMs(), StatsFile::kIntervalMs);
  stats.WriteIfDue();
  EXPECT_EQ(reports, 1);
  stats.Write();  // at exit: whatever the time
  EXPECT_EQ(reports, 2);
  const std::string text = ReadWhole(path);
  EXPECT_EQ(text.rfind("frames 2\n", 0), 0U) << text;
  EXPECT_NE(text.find("\nprivate_bytes "), std::string::npos);
  EXPECT_EQ(text.find("\nprivate_bytes 0\n"), std::string::npos);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}
