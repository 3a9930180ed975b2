// Paints the globe off the COM thread. The thread that owns the model (the
// COM and window thread) hands in immutable scenes; one render thread paints
// the newest into a GlobeImage and publishes it; the window blits the newest
// finished frame. A scene handed in while another is waiting replaces it, so
// a burst of a hundred changes paints once or twice, never a queue of frames.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "model/frame_stats.h"
#include "render/globe_painter.h"
#include "render/globe_scene.h"

namespace standin {

class FrameRenderer {
 public:
  // `frameDone` runs on the render thread after each frame is published
  // (or failed), and again when the thread is ready for the next scene,
  // having rested as long as the frame took: the owner posts itself a
  // message there, blits the frame and hands in a stale scene.
  explicit FrameRenderer(std::function<void()> frameDone);
  FrameRenderer(const FrameRenderer&) = delete;
  FrameRenderer& operator=(const FrameRenderer&) = delete;
  // Lets a frame being painted finish, then joins the thread.
  ~FrameRenderer();

  // Never waits for a frame: replaces the scene not yet started, if any.
  void Submit(std::shared_ptr<const GlobeScene> scene, int width, int height);
  // A frame is being painted or a scene waits for the thread.
  [[nodiscard]] bool Busy() const;
  // The newest finished frame (nullptr before the first); never waits for one.
  [[nodiscard]] std::shared_ptr<const GlobeImage> Latest() const;
  // Frames painted so far and their times.
  [[nodiscard]] FrameTimes Times() const;
  // Blocks until no scene waits and none is being painted (tests only).
  void WaitIdle() const;

 private:
  struct Job {
    std::shared_ptr<const GlobeScene> scene;
    int width = 0;
    int height = 0;
  };

  void Run() noexcept;

  std::function<void()> frameDone_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::optional<Job> pending_;
  bool painting_ = false;
  bool stopping_ = false;
  std::shared_ptr<const GlobeImage> latest_;
  FrameTimes times_;
  // Last: the thread starts once everything it uses exists.
  std::thread thread_;
};

}  // namespace standin
