// The render thread: a burst of scenes paints once or twice, the newest
// scene is the one shown, and the frame is the very picture a screenshot
// of the same scene is.
#include "render/frame_renderer.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "test.h"

using namespace standin;

namespace {

constexpr int kFrameWidth = 160;
constexpr int kFrameHeight = 120;

std::shared_ptr<const GlobeScene> SceneAt(double latitude, double longitude) {
  auto scene = std::make_shared<GlobeScene>();
  scene->camera.latitude = latitude;
  scene->camera.longitude = longitude;
  scene->camera.range = 8e6;
  return scene;
}

bool SamePixels(const GlobeImage& a, const GlobeImage& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::ranges::equal(a.Pixels(), b.Pixels());
}

}  // namespace

STANDIN_TEST(ABurstOfScenesPaintsTheNewestOnceOrTwice) {
  std::atomic<int> done = 0;
  FrameRenderer renderer([&] { ++done; });
  EXPECT_EQ(renderer.Latest(), nullptr);
  constexpr int kBurst = 100;
  for (int i = 0; i < kBurst; ++i) {
    renderer.Submit(SceneAt(i * 0.5, i * 1.5), kFrameWidth, kFrameHeight);
  }
  renderer.WaitIdle();
  EXPECT_FALSE(renderer.Busy());
  // The first scene may have been taken before the rest arrived.
  const auto frames = renderer.Times().Count();
  EXPECT_GE(frames, 1U);
  EXPECT_LE(frames, 2U);
  const auto latest = renderer.Latest();
  ASSERT_NE(latest, nullptr);
  const GlobeImage newest(kFrameWidth, kFrameHeight,
                          *SceneAt((kBurst - 1) * 0.5, (kBurst - 1) * 1.5));
  EXPECT_TRUE(SamePixels(*latest, newest));
  const GlobeImage first(kFrameWidth, kFrameHeight, *SceneAt(0, 0));
  EXPECT_FALSE(SamePixels(*latest, first));
  EXPECT_GT(renderer.Times().Percentile(50), 0.0);
  // Two notices a frame, off the calling thread: the frame is published,
  // and the thread is ready for the next scene.
  const int notices = 2 * static_cast<int>(frames);
  for (int tries = 0; tries < 100 && done.load() < notices; ++tries) {
    Sleep(10);
  }
  EXPECT_EQ(done.load(), notices);
}

STANDIN_TEST(ARendererStopsWithAFrameStillToPaint) {
  // Destroyed right after a submission: the thread finishes or skips the
  // frame and is joined; nothing runs after the destructor.
  std::atomic<int> done = 0;
  {
    FrameRenderer renderer([&] { ++done; });
    renderer.Submit(SceneAt(10, 10), kFrameWidth, kFrameHeight);
    renderer.Submit(SceneAt(20, 20), kFrameWidth, kFrameHeight);
  }
  const int after = done.load();
  Sleep(50);
  EXPECT_EQ(done.load(), after);
}
