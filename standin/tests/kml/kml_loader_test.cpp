// LoadKmlData and OpenKmlFile on the feature tree: what lands in Temporary
// Places, replacing a reopened file, KMZ files, and failures that change
// nothing. Files live in a folder of the test's own under %TEMP%.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kml/kml_loader.h"
#include "kmz_test_zip.h"
#include "model/error.h"
#include "model/result_codes.h"
#include "test.h"

using namespace standin;
namespace fs = std::filesystem;

namespace {

class TempFolder {
 public:
  TempFolder() {
    path_ =
        fs::temp_directory_path() / ("kml_loader_test_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::u16string Write(const std::string& name, const std::string& bytes) const {
    const fs::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file.u16string();
  }
  [[nodiscard]] std::u16string PathOf(const std::string& name) const {
    return (path_ / name).u16string();
  }

 private:
  fs::path path_;
};

std::string Document(const std::string& name, const std::string& placemark) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml><Document><name>" + name +
         "</name><Placemark><name>" + placemark + "</name></Placemark></Document></kml>";
}

template <class Call>
std::string FailureOf(Call call) {
  try {
    call();
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), codes::kInvalidArg);
    return error.what();
  }
  return "";
}

}  // namespace

STANDIN_TEST(EveryLoadAppendsOneTopLevelFeature) {
  FeatureTree tree;
  KmlLoader loader(tree);
  const auto first = loader.LoadData(u"<kml><Document><name>GPS</name></Document></kml>");
  const auto second = loader.LoadData(u"<kml><Document><name>GPS</name></Document></kml>");
  const auto& loaded = tree.TemporaryPlaces()->children;
  ASSERT_EQ(loaded.size(), 2U);
  EXPECT_TRUE(loaded[0] == first && loaded[1] == second);
  EXPECT_TRUE(tree.FindByName(u"GPS") == second);
  EXPECT_TRUE(FeatureTree::Parent(*second) == tree.TemporaryPlaces());
  const std::string message = FailureOf([&] { loader.LoadData(u"<kml><Document>"); });
  EXPECT_TRUE(message.starts_with("LoadKmlData: invalid KML at line 1, column ")) << message;
  EXPECT_EQ(loaded.size(), 2U);
}

STANDIN_TEST(ReopeningAFileReplacesItsEarlierCopy) {
  TempFolder folder;
  FeatureTree tree;
  KmlLoader loader(tree);
  const std::u16string path = folder.Write("route.kml", Document("Route", "Start"));
  const auto other = loader.OpenFile(folder.Write("other.kml", Document("Other", "Start")));
  const auto first = loader.OpenFile(path);
  folder.Write("route.kml", Document("Route", "Finish"));
  std::u16string shouted = path;
  for (char16_t& c : shouted) {
    if (c >= u'a' && c <= u'z') {
      c = static_cast<char16_t>(c - u'a' + u'A');
    }
  }
  const auto second = loader.OpenFile(shouted);  // the same file for Windows
  EXPECT_TRUE(first->deleted && first->children[0]->deleted);
  ASSERT_EQ(tree.TemporaryPlaces()->children.size(), 2U);
  EXPECT_TRUE(tree.TemporaryPlaces()->children[0] == other);
  EXPECT_TRUE(tree.FindByName(u"Route") == second);
  EXPECT_TRUE(tree.FindByName(u"Start") == other->children[0]);
  EXPECT_TRUE(tree.FindByName(u"Finish") == second->children[0]);
  // A reopening that fails keeps the copy there is.
  folder.Write("route.kml", "<kml><Document>");
  const std::string message = FailureOf([&] { loader.OpenFile(path); });
  EXPECT_NE(message.find("route.kml: invalid KML at line 1"), std::string::npos) << message;
  EXPECT_FALSE(second->deleted);
  EXPECT_EQ(tree.TemporaryPlaces()->children.size(), 2U);
}

STANDIN_TEST(FilesThatCannotBeReadNameTheirPath) {
  TempFolder folder;
  FeatureTree tree;
  KmlLoader loader(tree);
  const std::u16string missing = folder.PathOf("missing.kml");
  const std::string message = FailureOf([&] { loader.OpenFile(missing); });
  EXPECT_TRUE(message.starts_with("OpenKmlFile: ")) << message;
  EXPECT_NE(message.find("missing.kml: cannot open the file"), std::string::npos) << message;
  const std::string empty = FailureOf([&] { loader.OpenFile(folder.Write("empty.kml", "")); });
  EXPECT_NE(empty.find("empty.kml: invalid KML at line 1, column 1: the file is empty"),
            std::string::npos)
      << empty;
  EXPECT_NE(FailureOf([&] { loader.OpenFile(u""); }).find("the file name is empty"),
            std::string::npos);
  EXPECT_TRUE(tree.TemporaryPlaces()->children.empty());
}

STANDIN_TEST(KmzFilesAndUnnamedDocuments) {
  TempFolder folder;
  FeatureTree tree;
  KmlLoader loader(tree);
  const auto zip = testzip::Zip(
      {{"files/icon.png", "png", false}, {"doc.kml", Document("Zipped", "Inside"), true}});
  const auto zipped = loader.OpenFile(folder.Write("trip.kmz", testzip::Text(zip)));
  EXPECT_TRUE(zipped->name == u"Zipped");
  EXPECT_TRUE(tree.FindByName(u"Inside") == zipped->children[0]);
  const auto unnamed = loader.OpenFile(folder.Write("Unnamed.kml", "<kml><Folder></Folder></kml>"));
  EXPECT_TRUE(unnamed->name == u"Unnamed.kml");
  const auto noKml = testzip::Zip({{"a.txt", "x", false}});
  const std::string message =
      FailureOf([&] { loader.OpenFile(folder.Write("bad.kmz", testzip::Text(noKml))); });
  EXPECT_NE(message.find("bad.kmz: not a usable KMZ: it holds no .kml entry"), std::string::npos)
      << message;
}
