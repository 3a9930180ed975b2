// KMZ: which entry is the document, stored and deflated entries, and
// damaged archives refused without reading outside them.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kml/kmz_archive.h"
#include "kmz_test_zip.h"
#include "model/error.h"
#include "test.h"

using namespace standin;

namespace {

std::string FailureOf(const std::vector<std::byte>& archive) {
  try {
    static_cast<void>(ExtractKmzDocument(archive, "OpenKmlFile: t.kmz"));
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

}  // namespace

STANDIN_TEST(KmzPrefersDocKmlThenTheFirstKmlEntry) {
  const std::vector<std::byte> withDoc = testzip::Zip({
      {"images/a.png", "png", false},
      {"other.KML", "<kml>other</kml>", true},
      {"doc.kml", "<kml>doc</kml>", true},
  });
  EXPECT_TRUE(LooksLikeZip(withDoc));
  EXPECT_EQ(testzip::Text(ExtractKmzDocument(withDoc, "t")), "<kml>doc</kml>");
  const std::vector<std::byte> without = testzip::Zip({
      {"files/", "", false},
      {"files/route.kml", std::string(5000, 'x'), true},
      {"z.kml", "<kml>z</kml>", false},
  });
  EXPECT_EQ(testzip::Text(ExtractKmzDocument(without, "t")), std::string(5000, 'x'));
  const std::vector<std::byte> stored = testzip::Zip({{"doc.kml", "<kml>s</kml>", false}});
  EXPECT_EQ(testzip::Text(ExtractKmzDocument(stored, "t")), "<kml>s</kml>");
}

STANDIN_TEST(DamagedKmzArchivesAreRefused) {
  const std::vector<std::byte> good = testzip::Zip({{"doc.kml", "<kml>doc</kml>", true}});
  const auto changed = [&](std::size_t offset, std::uint8_t value) {
    std::vector<std::byte> copy = good;
    copy[offset] = std::byte{value};
    return copy;
  };
  const std::size_t end = good.size() - 22;  // the end record; no archive comment
  const struct {
    std::vector<std::byte> archive;
    std::string reason;
  } kCases[] = {
      {testzip::Zip({{"readme.txt", "hi", false}}), "holds no .kml entry"},
      {std::vector<std::byte>(good.begin(), good.begin() + 30), "no end of central directory"},
      {changed(end + 16, 0xF0), "central directory lies outside the file"},  // its offset
      {changed(end + 10, 5), "damaged central directory entry"},             // entry count
      {changed(30 + 7, 0x07), "does not inflate"},  // a deflate block of the reserved type
      {changed(0, 'X'), "has no local header"},
      {changed(end - 46 - 7 + 20, 0xFF), "lies outside the file"},  // compressed size
      {changed(end - 46 - 7 + 8, 1), "encrypted"},
      {changed(end - 46 - 7 + 10, 12), "compression method 12"},
      {changed(end - 46 - 7 + 16, std::to_integer<std::uint8_t>(good[end - 46 - 7 + 16]) ^ 1U),
       "CRC"},
  };
  for (const auto& c : kCases) {
    const std::string message = FailureOf(c.archive);
    EXPECT_TRUE(message.starts_with("OpenKmlFile: t.kmz: not a usable KMZ: ")) << message;
    EXPECT_NE(message.find(c.reason), std::string::npos) << c.reason << " / " << message;
  }
}
