// Pictures of the view that Google Earth writes itself.
#include "base/error.h"
#include "panel/ge_panel.h"

namespace zge {

void TGEPanel::ScreenShot(const std::u16string& fileName) {
  if (!FInitialized || FApplication == nullptr || !FEmbedded) {
    return;
  }
  // The file is Google Earth's business: a failure leaves no file, and the
  // host learns of it only by looking.
  try {
    GetApplicationGE().SaveScreenShot(fileName, 100);
  } catch (const Error&) {
  }
}

}  // namespace zge
