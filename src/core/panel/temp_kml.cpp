// The temporary KML files of the overlays, in FTempPath.
#include "panel/ge_panel.h"

namespace zge {

void TGEPanel::DeleteTempKML() {
  // The overlays do not write temporary files yet; when they do, this
  // removes FTempPath + entry + ".kml" for each entry of FFeatures.
}

}  // namespace zge
