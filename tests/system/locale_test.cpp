// Google Earth's locale setting: English while a panel lives (its menus and
// window titles are what the panel looks for), the user's own afterwards.
#include <gtest/gtest.h>

#include "support/registry.h"
#include "support/system_test.h"

namespace zge::test {
namespace {

struct LocaleCase {
  const char* name;
  bool keyExists;
  std::optional<std::wstring> userLocale;
  std::optional<std::wstring> localeWhileLoaded;
  std::optional<std::wstring> savedWhileLoaded;
};

// Names the case in test listings (and so in ctest) instead of its bytes.
void PrintTo(const LocaleCase& testCase, std::ostream* out) { *out << testCase.name; }

class LocaleTest : public SystemTest, public ::testing::WithParamInterface<LocaleCase> {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    MarkEarthSettingsTouched();
    registry::DeleteTree(HKEY_CURRENT_USER, kEarthSettingsKey);
    if (GetParam().keyExists) {
      static_cast<void>(registry::CreateKey(HKEY_CURRENT_USER, kEarthSettingsKey));
    }
    if (GetParam().userLocale) {
      registry::SetString(HKEY_CURRENT_USER, kEarthSettingsKey, L"locale", *GetParam().userLocale);
    }
  }

  static std::optional<std::wstring> Locale() {
    return registry::GetString(HKEY_CURRENT_USER, kEarthSettingsKey, L"locale");
  }
  static std::optional<std::wstring> SavedLocale() {
    return registry::GetString(HKEY_CURRENT_USER, kPackageKeyPath, L"SavedGoogleEarthLocale");
  }
  static bool EarthKeyExists() {
    return registry::OpenKey(HKEY_CURRENT_USER, kEarthSettingsKey).has_value();
  }
};

TEST_P(LocaleTest, IsEnglishWhileThePanelLivesAndTheUsersAfterwards) {
  LoadPanel();
  EXPECT_EQ(Locale(), GetParam().localeWhileLoaded);
  EXPECT_EQ(SavedLocale(), GetParam().savedWhileLoaded);

  Api().CloseGE();

  EXPECT_EQ(Locale(), GetParam().userLocale);
  EXPECT_FALSE(SavedLocale().has_value());
  EXPECT_EQ(EarthKeyExists(), GetParam().keyExists);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, LocaleTest,
    ::testing::Values(LocaleCase{"GermanUser", true, L"de-DE", L"en-US", L"de-DE"},
                      LocaleCase{"EnglishUser", true, L"en-US", L"en-US", L"en-US"},
                      LocaleCase{"NoLocaleValue", true, std::nullopt, std::nullopt, std::nullopt},
                      LocaleCase{"NoEarthSettings", false, std::nullopt, std::nullopt,
                                 std::nullopt}),
    [](const auto& testParam) { return std::string(testParam.param.name); });

}  // namespace
}  // namespace zge::test
