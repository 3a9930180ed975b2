// A panel with the stand-in's view embedded, sized 800 x 600, and what the
// camera, wheel and picture tests read back: the calls the stand-in
// received since a mark.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/picture.h"
#include "support/system_test.h"

namespace zge::test {

inline constexpr int kPanelWidth = 800;
inline constexpr int kPanelHeight = 600;

class ViewTest : public SystemTest {
 protected:
  void SetUp() override;

  HWND Panel() const { return panel_; }
  // The position in the journal from which JournalSince counts.
  std::size_t JournalMark();
  // The calls the stand-in received after `mark`.
  std::vector<std::string> JournalSince(std::size_t mark);
  // The last SetCameraParams the stand-in received, or an empty text.
  std::string LastCameraMove();
  // Puts the mouse cursor at a point of the panel's client area.
  void PlaceCursor(int x, int y) const;

 private:
  HWND panel_ = nullptr;
};

}  // namespace zge::test
