// The system's standard dialogs the panel shows.
#pragma once

#include <string>
#include <vector>

#include "base/window_handle.h"

namespace zge::platform {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The open-file dialog for KML and KMZ files, owned by `owner`, with
  // multiple selection. Returns the chosen files' full paths in the order
  // the dialog lists them; empty when the user cancelled. Throws zge::Error
  // when the dialog fails, and when the selection does not fit its buffer
  // (a selection is never cut short).
  virtual std::vector<std::u16string> ChooseKmlFiles(WindowHandle owner) = 0;
};

}  // namespace zge::platform
