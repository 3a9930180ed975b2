#include "render/frame_renderer.h"

#include <chrono>
#include <utility>

#include "platform/com_types.h"
#include "platform/guard.h"

namespace standin {

FrameRenderer::FrameRenderer(std::function<void()> frameDone)
    : frameDone_(std::move(frameDone)), thread_([this] { Run(); }) {}

FrameRenderer::~FrameRenderer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    pending_.reset();
  }
  changed_.notify_all();
  thread_.join();
}

void FrameRenderer::Submit(std::shared_ptr<const GlobeScene> scene, int width, int height) {
  {
    const std::lock_guard lock(mutex_);
    pending_ = Job{std::move(scene), width, height};
  }
  changed_.notify_all();
}

bool FrameRenderer::Busy() const {
  const std::lock_guard lock(mutex_);
  return painting_ || pending_.has_value();
}

std::shared_ptr<const GlobeImage> FrameRenderer::Latest() const {
  const std::lock_guard lock(mutex_);
  return latest_;
}

FrameTimes FrameRenderer::Times() const {
  const std::lock_guard lock(mutex_);
  return times_;
}

void FrameRenderer::WaitIdle() const {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !painting_ && !pending_; });
}

void FrameRenderer::Run() noexcept {
  // The surface picture is decoded with WIC on first use, possibly here.
  std::optional<com_apartment> apartment;
  GuardWorker("render thread", [&] { apartment.emplace(COINIT_MULTITHREADED); });
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
    if (stopping_) {
      return;
    }
    const Job job = *std::exchange(pending_, std::nullopt);
    painting_ = true;
    lock.unlock();
    std::chrono::steady_clock::duration took{};
    GuardWorker("render thread", [&] {
      const auto start = std::chrono::steady_clock::now();
      auto image = std::make_shared<const GlobeImage>(job.width, job.height, *job.scene);
      took = std::chrono::steady_clock::now() - start;
      const std::lock_guard published(mutex_);
      latest_ = std::move(image);
      times_.Add(std::chrono::duration<double, std::milli>(took).count());
    });
    // Outside the lock: the owner may ask Busy() from its message.
    GuardWorker("render thread", [&] {
      if (frameDone_) {
        frameDone_();
      }
    });
    lock.lock();
    // Rests as long as the frame took before the next: under a stream of
    // changes painting takes at most half of a processor, and the COM
    // thread keeps the rest. Changes meanwhile wait as one stale scene.
    changed_.wait_for(lock, took, [this] { return stopping_; });
    painting_ = false;
    changed_.notify_all();
    if (stopping_) {
      return;
    }
    // Ready for the next scene: the owner hands in what went stale.
    lock.unlock();
    GuardWorker("render thread", [&] {
      if (frameDone_) {
        frameDone_();
      }
    });
    lock.lock();
  }
}

}  // namespace standin
