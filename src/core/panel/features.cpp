// The loaded features: KML handed to Google Earth as text or opened as
// files, the feature list of the saved overlays, and showing or hiding what
// Google Earth holds in its temporary places.
#include <memory>
#include <string>
#include <vector>

#include "earth/earth_api.h"
#include "earth/feature_children.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

// Messages stay on: Google Earth reports problems with a file itself.
constexpr bool kSuppressMessages = false;

}  // namespace

void TGEPanel::OpenKMLData(const std::u16string& data) {
  if (HasApplication()) {
    GetApplicationGE().LoadKmlData(data);
  }
}

void TGEPanel::OpenKMLFile(const std::u16string& fileName) {
  if (HasApplication()) {
    GetApplicationGE().OpenKmlFile(fileName, kSuppressMessages);
  }
}

void TGEPanel::OpenFeaturesKML() {
  const std::vector<std::u16string> files = platform_.dialogs.ChooseKmlFiles(Handle());
  for (const std::u16string& file : files) {
    OpenKMLFile(file);
  }
}

void TGEPanel::HideAll() { SetAllTemporaryPlaces(earth::kVisible, earth::kHidden); }

void TGEPanel::ShowAll() { SetAllTemporaryPlaces(earth::kHidden, earth::kVisible); }

// Sets every direct child of the temporary places whose visibility is
// exactly `from` to `to`; deeper features keep theirs.
void TGEPanel::SetAllTemporaryPlaces(std::int32_t from, std::int32_t to) {
  if (!HasApplication()) {
    return;
  }
  const std::unique_ptr<earth::FeatureGE> places = GetApplicationGE().GetTemporaryPlaces();
  if (!places) {
    return;
  }
  earth::ForEachChild(*places, [&](earth::FeatureGE& child) {
    if (child.Visibility() == from) {
      child.SetVisibility(to);
    }
    return true;
  });
}

void TGEPanel::SetFeatureVisibility(const std::u16string& name, bool visible) {
  if (!HasApplication()) {
    return;
  }
  if (const std::unique_ptr<earth::FeatureGE> feature = GetApplicationGE().GetFeatureByName(name)) {
    feature->SetVisibility(visible ? earth::kVisible : earth::kHidden);
  }
}

std::int32_t TGEPanel::GetFeatureCount() const noexcept {
  return static_cast<std::int32_t>(FFeatures.Count());
}

}  // namespace zge
