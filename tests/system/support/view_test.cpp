#include "support/view_test.h"

#include <wrl/client.h>

#include "support/win_error.h"

namespace zge::test {

void ViewTest::SetUp() {
  SystemTest::SetUp();
  LoadPanelAndWaitForView();
  panel_ = FindPanel(Host().Parent());
  ASSERT_NE(panel_, nullptr);
  // Google Earth 4.3 and later size their view through the main window,
  // which the panel sizes on every size change after the adoption.
  ASSERT_TRUE(MoveWindow(Host().Parent(), 0, 0, kPanelWidth, kPanelHeight, TRUE));
  const RECT client = ClientRectOf(panel_);
  ASSERT_EQ(client.right, kPanelWidth);
  ASSERT_EQ(client.bottom, kPanelHeight);
  const RECT view = ClientRectOf(EarthClient::Connect().RenderWindow());
  ASSERT_TRUE(EqualRect(&view, &client))
      << "the view is " << view.right << " x " << view.bottom << ", not the panel's size";
}

std::size_t ViewTest::JournalMark() {
  StandInJournal().Poll();
  return StandInJournal().Entries().size();
}

std::vector<std::string> ViewTest::JournalSince(std::size_t mark) {
  StandInJournal().Poll();
  std::vector<std::string> calls;
  const auto& entries = StandInJournal().Entries();
  for (std::size_t i = mark; i < entries.size(); ++i) {
    calls.push_back(entries[i].call);
  }
  return calls;
}

std::string ViewTest::LastCameraMove() {
  StandInJournal().Poll();
  const auto& entries = StandInJournal().Entries();
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->call.rfind("SetCameraParams(", 0) == 0) {
      return entry->call;
    }
  }
  return {};
}

void ViewTest::PlaceCursor(int x, int y) const {
  POINT point{x, y};
  ThrowIfFalse(ClientToScreen(panel_, &point), "ClientToScreen");
  ThrowIfFalse(SetCursorPos(point.x, point.y), "SetCursorPos");
}

}  // namespace zge::test
