// The loaded features: KML handed to Google Earth as text or opened as
// files, the feature list of the saved overlays, and showing or hiding what
// Google Earth holds in its temporary places.
#include <memory>
#include <string>
#include <vector>

#include "earth/earth_api.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

constexpr std::int32_t kShown = 1;
constexpr std::int32_t kHidden = 0;
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

void TGEPanel::HideAll() { SetAllTemporaryPlaces(kShown, kHidden); }

void TGEPanel::ShowAll() { SetAllTemporaryPlaces(kHidden, kShown); }

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
  const std::unique_ptr<earth::FeatureCollectionGE> children = places->GetChildren();
  if (!children) {
    return;
  }
  const std::int32_t count = children->Count();
  for (std::int32_t index = 1; index <= count; ++index) {
    const std::unique_ptr<earth::FeatureGE> child = children->Item(index);
    if (child && child->Visibility() == from) {
      child->SetVisibility(to);
    }
  }
}

void TGEPanel::SetFeatureVisibility(const std::u16string& name, bool visible) {
  if (!HasApplication()) {
    return;
  }
  if (const std::unique_ptr<earth::FeatureGE> feature = GetApplicationGE().GetFeatureByName(name)) {
    feature->SetVisibility(visible ? kShown : kHidden);
  }
}

std::int32_t TGEPanel::GetFeatureCount() const noexcept {
  return static_cast<std::int32_t>(FFeatures.Count());
}

}  // namespace zge
