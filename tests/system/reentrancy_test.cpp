// The host calling the DLL while the DLL waits for a busy Google Earth: COM
// runs the thread's sent messages (and, on Windows, more) during the wait.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/system_test.h"

// After windows.h, which the fixture brings.
#include <commctrl.h>

namespace zge::test {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kReentrantCall = static_cast<std::int32_t>(0x8000000E);

class ReentrancyTest : public SystemTest {
 protected:
  // What the host did from inside the DLL's wait.
  struct FromHost {
    ReentrancyTest* test = nullptr;
    ZgeBool loadResult = 2;
    LastError loadError;
    bool panelWhileWaiting = false;
  };

  static constexpr UINT kHostCallsMessage = WM_APP + 17;
  static constexpr UINT kModalLoopMessage = WM_APP + 18;

  // What a host's modal loop inside a sent message saw.
  struct ModalLoop {
    std::filesystem::path journal;
    const std::vector<bool>* loadedCalls = nullptr;
    std::size_t createdInside = 0;
    std::size_t loadedCallsInside = 0;
  };

  static LRESULT CALLBACK ModalLoopProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR /*data*/) {
    if (message != kModalLoopMessage) {
      return DefSubclassProc(window, message, wParam, lParam);
    }
    auto& state = *reinterpret_cast<ModalLoop*>(lParam);
    // The loop runs past the first start-up tick (500 ms after LoadGE);
    // nothing the host could wait for marks a tick that did nothing.
    static_cast<void>(PumpUntil([] { return false; }, 1500ms));
    Journal journal(state.journal);
    journal.Poll();
    state.createdInside = journal.Count("CreateInstance()");
    state.loadedCallsInside = state.loadedCalls->size();
    return 1;
  }

  // The host's window procedure for a message another of its threads sends:
  // COM runs sent messages while a call waits for Google Earth.
  static LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR /*id*/, DWORD_PTR /*data*/) {
    if (message != kHostCallsMessage) {
      return DefSubclassProc(window, message, wParam, lParam);
    }
    FromHost& state = *reinterpret_cast<FromHost*>(lParam);
    ZelkanGE& api = state.test->Api();
    api.ZgeClearLastError();
    state.loadResult = api.LoadGE(state.test->Host().Parent(), nullptr, nullptr);
    state.loadError = ReadLastError(api);
    api.CloseGE();
    state.panelWhileWaiting = state.test->FindPanel(state.test->Host().Parent()) != nullptr;
    return 1;
  }
};

TEST_F(ReentrancyTest, HostCallsDuringABusyStartupQueryCloseWhenTheQueryReturns) {
  StandInConfig config;
  config.delayMembers = L"GetMainHwnd:2000@1";
  ConfigureStandIn(config);
  FromHost state;
  state.test = this;
  constexpr UINT_PTR kSubclassId = 78;
  ASSERT_TRUE(SetWindowSubclass(Host().Frame(), &HostProcedure, kSubclassId, 0));

  // Another thread of the host sends its message once Google Earth has been
  // asked for its main window and is busy answering.
  std::atomic<LRESULT> answered{0};
  std::thread sender([&] {
    Journal journal(StandInJournal().Path());
    const auto giveUp = std::chrono::steady_clock::now() + kEventTimeout;
    while (std::chrono::steady_clock::now() < giveUp) {
      journal.Poll();
      if (journal.Count("GetMainHwnd()") > 0) {
        answered =
            SendMessageW(Host().Frame(), kHostCallsMessage, 0, reinterpret_cast<LPARAM>(&state));
        return;
      }
      std::this_thread::sleep_for(10ms);
    }
  });
  LoadPanel();
  const bool sent = PumpUntil([&] { return answered.load() != 0; }, kEventTimeout);
  sender.join();
  RemoveWindowSubclass(Host().Frame(), &HostProcedure, kSubclassId);
  ASSERT_TRUE(sent) << StandInJournal().Text();

  // LoadGE was refused inside the tick's wait; the panel stayed until the
  // tick returned, then went.
  EXPECT_EQ(state.loadResult, 0);
  EXPECT_EQ(state.loadError.code, kReentrantCall) << state.loadError.text;
  EXPECT_NE(state.loadError.text.find("inside another ZelkanGE call"), std::string::npos);
  EXPECT_TRUE(state.panelWhileWaiting);
  EXPECT_TRUE(PumpUntil([&] { return FindPanel(Host().Parent()) == nullptr; }, kEventTimeout));
  EXPECT_EQ(Api().ZgeIsViewReady(), 0);

  // The host can start again afterwards.
  ASSERT_EQ(Api().LoadGE(Host().Parent(), nullptr, nullptr), 1);
  EXPECT_TRUE(WaitForViewReady()) << StandInJournal().Text();
}

// A host that runs a modal loop inside a message another of its threads
// sent: COM makes no calls there, so the start-up tick that comes round in
// that loop must not start Google Earth (Wine would let it, and its COM was
// seen to break afterwards), nor give up: it connects once the host is out.
TEST_F(ReentrancyTest, StartupInsideAModalLoopOfASentMessageConnectsAfterwards) {
  ModalLoop loop{StandInJournal().Path(), &LoadedCalls()};
  constexpr UINT_PTR kSubclassId = 79;
  const SUBCLASSPROC procedure = &ModalLoopProcedure;
  ASSERT_TRUE(SetWindowSubclass(Host().Frame(), procedure, kSubclassId, 0));
  LoadPanel();
  std::atomic<LRESULT> answered{0};
  std::thread sender([&] {
    answered = SendMessageW(Host().Frame(), kModalLoopMessage, 0, reinterpret_cast<LPARAM>(&loop));
  });
  const bool sent = PumpUntil([&] { return answered.load() != 0; }, kEventTimeout);
  sender.join();
  RemoveWindowSubclass(Host().Frame(), procedure, kSubclassId);
  ASSERT_TRUE(sent);

  EXPECT_EQ(loop.createdInside, 0U) << StandInJournal().Text();
  EXPECT_EQ(loop.loadedCallsInside, 0U);
  EXPECT_TRUE(WaitForViewReady()) << StandInJournal().Text();
  EXPECT_EQ(LoadedCalls(), std::vector<bool>{true});
}

}  // namespace
}  // namespace zge::test
