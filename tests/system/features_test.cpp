// Loaded features through the real DLL: KML text and files, the open-file
// dialog driven as a user would, and showing or hiding what is loaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "support/system_test.h"

namespace zge::test {
namespace {

using ::zge::testing::DialogDriver;

std::wstring Document(const std::wstring& name, int visibility, const std::wstring& inner = L"") {
  return L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\">"
         L"<Document><name>" +
         name + L"</name><visibility>" + std::to_wstring(visibility) + L"</visibility>" + inner +
         L"</Document></kml>";
}

class FeaturesTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    LoadPanelAndWaitForView();
  }
  std::filesystem::path WriteKml(const std::string& fileName, const std::wstring& name) {
    std::filesystem::path path = TempDir() / fileName;
    std::ofstream out(path, std::ios::binary);
    const std::wstring text = Document(name, 1);
    out << std::string(text.begin(), text.end());
    return path;
  }
  std::size_t Journaled(const std::string& call) {
    StandInJournal().Poll();
    return StandInJournal().Count(call);
  }
};

TEST_F(FeaturesTest, HideAllAndShowAllWalkOnlyTheTopLevel) {
  ZelkanGE& api = Api();
  api.LoadKMLData(Document(L"One", 1).c_str());
  api.LoadKMLData(Document(L"Two", 0).c_str());
  api.LoadKMLData(
      Document(L"Three", 1, L"<Folder><name>Inner</name><visibility>1</visibility></Folder>")
          .c_str());
  api.HideAllLoadedKML();
  EXPECT_EQ(Journaled("Feature(\"One\").Visibility=0"), 1U) << StandInJournal().Text();
  EXPECT_EQ(Journaled("Feature(\"Two\").Visibility=0"), 0U);
  EXPECT_EQ(Journaled("Feature(\"Three\").Visibility=0"), 1U);
  EXPECT_EQ(Journaled("Feature(\"Inner\").Visibility=0"), 0U);

  api.ShowAllLoadedKML();
  const std::vector<FeatureInfo> places = EarthClient::Connect().TemporaryPlaces();
  ASSERT_EQ(places.size(), 3U);
  for (const FeatureInfo& feature : places) {
    EXPECT_EQ(feature.visibility, 1);
  }
  EXPECT_EQ(places[2].children.at(0).visibility, 1);
  EXPECT_EQ(api.FeatureCount(), 0);
}

TEST_F(FeaturesTest, GoogleEarthsOwnErrorsForBadKmlReachTheHost) {
  ZelkanGE& api = Api();
  api.ZgeClearLastError();
  api.LoadKMLData(L"<kml><Document><name>cut short");
  LastError error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80070057U);  // E_INVALIDARG
  EXPECT_NE(error.text.find("line 1"), std::string::npos) << error.text;

  const std::filesystem::path missing = TempDir() / "missing.kml";
  api.OpenKMLFile(missing.c_str());
  error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80070057U);
  EXPECT_NE(error.text.find("missing.kml"), std::string::npos) << error.text;
  EXPECT_TRUE(EarthClient::Connect().TemporaryPlaces().empty());
}

TEST_F(FeaturesTest, SetFeatureVisibilityShowsForAnyNonZeroAndIgnoresUnknownNames) {
  ZelkanGE& api = Api();
  api.LoadKMLData(Document(L"Harbour", 0).c_str());
  api.SetFeatureVisibility(L"Harbour", 2);
  EXPECT_EQ(Journaled("Feature(\"Harbour\").Visibility=1"), 1U) << StandInJournal().Text();
  api.ZgeClearLastError();
  api.SetFeatureVisibility(L"Nowhere", 0);
  std::int32_t code = -1;
  api.ZgeGetLastError(&code, nullptr, 0);
  EXPECT_EQ(code, 0);
}

TEST_F(FeaturesTest, ChosenFilesOpenInTheDialogsOrderAndCancelOpensNothing) {
  ZelkanGE& api = Api();
  const std::filesystem::path c = WriteKml("c.kml", L"Charlie");
  const std::filesystem::path a = WriteKml("a.kml", L"Alpha");
  const std::filesystem::path b = WriteKml("b.kml", L"Bravo");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(TempDir());
  {
    const DialogDriver driver(std::wstring(L"\"c.kml\" \"a.kml\" \"b.kml\""));
    api.OpenFeaturesKML();
    EXPECT_TRUE(driver.Answered());
  }
  // The host's current folder is its own.
  EXPECT_EQ(std::filesystem::current_path(), TempDir());
  std::filesystem::current_path(previous);

  StandInJournal().Poll();
  const auto opened = [&](const std::filesystem::path& path) {
    return StandInJournal().IndexOf("OpenKmlFile(" + JournalQuoted(path.string()) + ", 0)");
  };
  ASSERT_TRUE(opened(c) && opened(a) && opened(b)) << StandInJournal().Text();
  EXPECT_LT(*opened(c), *opened(a));
  EXPECT_LT(*opened(a), *opened(b));
  EXPECT_EQ(EarthClient::Connect().TemporaryPlaces().size(), 3U);

  {
    const DialogDriver driver(std::nullopt);
    api.OpenFeaturesKML();
    EXPECT_TRUE(driver.Answered());
  }
  EXPECT_EQ(EarthClient::Connect().TemporaryPlaces().size(), 3U);
  EXPECT_EQ(api.FeatureCount(), 0);
}

}  // namespace
}  // namespace zge::test
