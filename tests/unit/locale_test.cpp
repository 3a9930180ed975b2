// Google Earth's locale while a panel lives, its restoration after a crash,
// the layer settings and switching a layer.
#include "base/error.h"
#include "base/last_error.h"
#include "case_name.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

const std::string kEarthKey = "Software\\Google\\Google Earth Plus";
const std::string kOwnKey = "Software\\ZelkanGE";

std::optional<std::string> Text(const fakes::FakeRegistry& registry, const std::string& key,
                                const std::string& name) {
  const auto data = registry.Get(key, name);
  if (!data || !std::holds_alternative<std::string>(*data)) {
    return std::nullopt;
  }
  return std::get<std::string>(*data);
}

struct LocaleCase {
  const char* what;
  bool keyExists;
  std::optional<std::string> userLocale;
  std::optional<std::string> whileLoaded;
  bool writtenAtLoad;
};
ZGE_PRINTS_CASE_BY(LocaleCase, what)

class LocaleSwapTest : public PanelTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(LocaleSwapTest, HoldsEnUsWhileThePanelLivesAndGivesTheUsersValueBack) {
  const LocaleCase& c = GetParam();
  if (c.keyExists) {
    f.registry.keys[kEarthKey];
  }
  if (c.userLocale) {
    f.registry.Set(kEarthKey, "locale", *c.userLocale);
  }
  Load();
  EXPECT_EQ(Text(f.registry, kEarthKey, "locale"), c.whileLoaded) << c.what;
  EXPECT_EQ(f.log.Contains("RegWrite(" + kEarthKey + "\\locale=en-US)"), c.writtenAtLoad) << c.what;

  f.log.Clear();
  entry::CloseGE();
  EXPECT_EQ(Text(f.registry, kEarthKey, "locale"), c.userLocale) << c.what;
  EXPECT_EQ(f.log.Contains("RegWrite(" + kEarthKey + "\\locale=en-US)"), false) << c.what;
  EXPECT_FALSE(f.registry.HasKey(kOwnKey)) << c.what;
  EXPECT_EQ(f.registry.openKeys, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocaleSwapTest,
    ::testing::Values(LocaleCase{"NoKey", false, std::nullopt, std::nullopt, false},
                      LocaleCase{"NoValue", true, std::nullopt, std::nullopt, false},
                      LocaleCase{"AlreadyEnUs", true, "en-US", "en-US", false},
                      LocaleCase{"German", true, "de-DE", "en-US", true},
                      LocaleCase{"CaseDiffers", true, "en-us", "en-US", true}),
    ::zge::testing::CaseName());

using LocaleTest = PanelTest;

TEST_F(LocaleTest, UsersLocaleIsKeptInThePackagesKeyWhileThePanelLives) {
  f.registry.Set(kEarthKey, "locale", std::string("fr-FR"));
  Load();
  EXPECT_EQ(Text(f.registry, kOwnKey, "SavedGoogleEarthLocale"), "fr-FR");
  EXPECT_EQ(Panel().SavedLocale(), "fr-FR");
}

TEST_F(LocaleTest, PanelAfterACrashRestoresTheOriginalLocale) {
  // A host that crashed left "en-US" in Google Earth's settings and the
  // user's value in the package's key.
  f.registry.Set(kEarthKey, "locale", std::string("en-US"));
  f.registry.Set(kOwnKey, "SavedGoogleEarthLocale", std::string("nl-NL"));
  Load();
  EXPECT_EQ(Panel().SavedLocale(), "nl-NL");
  EXPECT_EQ(Text(f.registry, kEarthKey, "locale"), "en-US");
  entry::CloseGE();
  EXPECT_EQ(Text(f.registry, kEarthKey, "locale"), "nl-NL");
  EXPECT_FALSE(f.registry.HasKey(kOwnKey));
}

TEST_F(LocaleTest, RegistryFailureAtConstructionFailsLoadGEAndLeavesNoPanel) {
  f.registry.Set(kEarthKey, "locale", std::string("de-DE"));
  f.registry.failWrites = static_cast<std::int32_t>(0x80070005);
  EXPECT_THROW(entry::LoadGE(f.ports, host, nullptr), Error);
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_FALSE(f.threads.state.running);
  EXPECT_EQ(Text(f.registry, kEarthKey, "locale"), "de-DE");
}

TEST_F(LocaleTest, RegistryFailureAtCloseIsRecordedAndTheUsersValueIsNotLost) {
  f.registry.Set(kEarthKey, "locale", std::string("de-DE"));
  LoadAndEmbed();
  f.registry.failWrites = static_cast<std::int32_t>(0x80070005);
  ClearLastError();
  entry::CloseGE();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(CurrentLastError().code, static_cast<std::int32_t>(0x80070005));
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
  // The next panel still knows the user's value.
  EXPECT_EQ(Text(f.registry, kOwnKey, "SavedGoogleEarthLocale"), "de-DE");
}

TEST_F(LocaleTest, ReadregistryAppendsEveryLayerWithItsDwordData) {
  const std::string layers = "Software\\Google\\CommonSettings\\Layers";
  f.registry.Set(layers, "Roads", std::uint32_t{1});
  f.registry.Set(layers, "Borders", std::string("yes"));
  f.registry.Set(layers, "Terrain", std::vector<std::uint8_t>{1, 2});
  f.registry.Set(layers, "Buildings", std::uint32_t{0xFFFFFFFF});
  Load();
  Panel().Readregistry();
  Panel().Readregistry();
  const std::vector<StringList::Entry> once = {
      {"Roads", 1}, {"Borders", 0}, {"Terrain", 0}, {"Buildings", -1}};
  std::vector<StringList::Entry> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(Panel().Layers().Entries(), twice);
}

TEST_F(LocaleTest, ReadregistryWithoutTheKeyAddsNothing) {
  Load();
  Panel().Readregistry();
  EXPECT_EQ(Panel().Layers().Count(), 0U);
}

TEST_F(LocaleTest, SetLayerSwitchesAKnownLayerAndIgnoresAnUnknownOne) {
  f.earth.state.features[u"Roads"] = true;
  LoadAndEmbed();
  Panel().SetLayer("Roads", 0);
  EXPECT_FALSE(f.earth.state.features[u"Roads"]);
  Panel().SetLayer("Roads", 2);
  EXPECT_TRUE(f.earth.state.features[u"Roads"]);
  EXPECT_NO_THROW(Panel().SetLayer("No such layer", 1));
  EXPECT_EQ(f.earth.state.features.count(u"No such layer"), 0U);
}

TEST_F(LocaleTest, SetLayerWithoutConnectionFailsWithTheNotConnectedError) {
  Load();
  try {
    Panel().SetLayer("Roads", 1);
    FAIL() << "expected an error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), earth::kNotConnectedMessage);
  }
}

}  // namespace
}  // namespace zge::testing
