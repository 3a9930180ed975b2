// Google Earth's registry settings: the locale swap while a panel lives,
// the layer settings, and switching a layer through the automation server.
#include "base/error.h"
#include "earth/feature_children.h"
#include "panel/ge_panel.h"

namespace zge {

// NOLINTNEXTLINE(performance-unnecessary-value-param): a copy, as the header says.
void TGEPanel::SetGeLocale(std::string locale) {
  const std::unique_ptr<platform::RegistryKey> key = platform_.registry.OpenKey(kGeSettingsKey);
  if (key == nullptr || !key->HasValue(kGeLocaleValue)) {
    return;
  }
  FSavedLocale = key->ReadString(kGeLocaleValue);
  if (FSavedLocale != locale) {
    key->WriteString(kGeLocaleValue, locale);
  }
}

// The user's own locale is kept in the package's key as well as in memory
// while a panel lives: a host that crashes would otherwise leave "en-US" in
// the user's settings for good. A panel that finds such a value takes the
// original from it.
void TGEPanel::SwitchLocaleForPanel() {
  SetGeLocale(kPanelLocale);
  const std::unique_ptr<platform::RegistryKey> own = platform_.registry.OpenKey(kPackageKey);
  if (own != nullptr && own->HasValue(kSavedLocaleValue)) {
    FSavedLocale = own->ReadString(kSavedLocaleValue);
    return;
  }
  if (!FSavedLocale.empty()) {
    RememberUserLocale();
  }
}

void TGEPanel::RestoreUserLocale() {
  SetGeLocale(FSavedLocale);
  // Forgotten only once it is back where it belongs.
  ForgetUserLocale();
}

void TGEPanel::RememberUserLocale() {
  platform_.registry.CreateKey(kPackageKey)->WriteString(kSavedLocaleValue, FSavedLocale);
}

void TGEPanel::ForgetUserLocale() {
  if (const std::unique_ptr<platform::RegistryKey> own = platform_.registry.OpenKey(kPackageKey)) {
    own->DeleteValue(kSavedLocaleValue);
  }
  platform_.registry.DeleteKeyIfEmpty(kPackageKey);
}

void TGEPanel::Readregistry() {
  const std::unique_ptr<platform::RegistryKey> key = platform_.registry.OpenKey(kLayersKey);
  if (key == nullptr) {
    return;
  }
  for (std::string& name : key->ValueNames()) {
    std::int32_t number = 0;
    if (key->ValueType(name) == platform::RegistryValueType::kDword) {
      number = static_cast<std::int32_t>(key->ReadDword(name));
    }
    FLayers.Add(std::move(name), number);
  }
}

void TGEPanel::SetLayer(const std::string& name, std::int32_t visibility) {
  const std::u16string wideName = platform_.codePage.ToWide(name);
  if (const std::unique_ptr<earth::FeatureGE> feature =
          GetApplicationGE().GetFeatureByName(wideName)) {
    feature->SetVisibility(visibility != 0 ? earth::kVisible : earth::kHidden);
  }
}

}  // namespace zge
