#include "watch_threads.h"

#include <utility>

#include "base/guard.h"
#include "errors.h"
#include "process_exit.h"
#include "resources.h"
#include "system_headers.h"

namespace zge::win32 {
namespace {

constexpr DWORD kWakeIntervalMs = 100;

// What the thread and its handle share.
struct WatchState {
  unique_handle stop;
  std::function<void()> onWake;
};

// Handed to the new thread, which owns it from its first instruction.
struct ThreadStart {
  std::shared_ptr<WatchState> state;
  // Keeps the DLL loaded while the thread runs: a host that unloads it
  // without CloseGE must not pull the code from under this thread.
  unique_module module;
};

void WatchLoop(WatchState& state) noexcept {
  while (::WaitForSingleObject(state.stop.get(), kWakeIntervalMs) == WAIT_TIMEOUT) {
    Guarded([&] { state.onWake(); });
  }
}

DWORD WINAPI WatchThreadMain(void* parameter) noexcept {
  HMODULE module = nullptr;
  {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    module = start->module.release();
    // At normal priority the thread still works, only less politely; there
    // is no one to tell.
    static_cast<void>(::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_LOWEST));
    WatchLoop(*start->state);
  }
  // Returns the reference and ends the thread without returning into this
  // module, which may be unloaded the moment the reference is gone.
  ::FreeLibraryAndExitThread(module, 0);
}

class Win32WatchThread final : public platform::WatchThread {
 public:
  explicit Win32WatchThread(std::shared_ptr<WatchState> state) : state_(std::move(state)) {}
  Win32WatchThread(const Win32WatchThread&) = delete;
  Win32WatchThread& operator=(const Win32WatchThread&) = delete;

  // The thread wakes within 100 ms, so the wait is short. It is skipped
  // while the process exits (the thread is gone, the loader lock held) and
  // on the watch thread itself.
  ~Win32WatchThread() override {
    if (!thread_ || ::SetEvent(state_->stop.get()) == 0) {
      return;  // the thread cannot be told; waiting would never end
    }
    if (ProcessIsExiting() || ::GetCurrentThreadId() == threadId_) {
      return;
    }
    // The thread may be inside a window call that waits for this thread
    // (finding or hiding Google Earth's window sends messages that this
    // thread's windows must answer): messages sent to this thread run
    // meanwhile, as they do in COM's waits, or neither thread ends.
    const HANDLE thread = thread_.get();
    while (::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0) ==
           WAIT_OBJECT_0 + 1) {
      MSG message;
      static_cast<void>(::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE));
    }
  }

  void Start() {
    auto start = std::make_unique<ThreadStart>(ThreadStart{state_, ReferenceThisModule()});
    thread_.reset(::CreateThread(nullptr, 0, &WatchThreadMain, start.get(), 0, &threadId_));
    ThrowLastErrorIf(!thread_, "CreateThread");
    static_cast<void>(start.release());  // the thread owns it now
  }

 private:
  std::shared_ptr<WatchState> state_;
  unique_handle thread_;
  DWORD threadId_ = 0;
};

}  // namespace

std::unique_ptr<platform::WatchThread> WatchThreads::StartWatchThread(
    std::function<void()> onWake) {
  auto state = std::make_shared<WatchState>();
  state->stop.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ThrowLastErrorIf(!state->stop, "CreateEventW");
  state->onWake = std::move(onWake);

  // The handle exists before the thread, so that nothing after the start
  // can fail and leave a thread no one stops.
  auto handle = std::make_unique<Win32WatchThread>(std::move(state));
  handle->Start();
  return handle;
}

}  // namespace zge::win32
