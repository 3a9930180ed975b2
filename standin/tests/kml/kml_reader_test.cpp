// KML text to feature nodes: structure, names, visibility, geometry and
// styles, and the documents that must be refused with a line and column.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "kml/kml_builder.h"
#include "kml/kml_reader.h"
#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "test.h"

using namespace standin;

namespace {

std::shared_ptr<FeatureNode> Read(const std::u16string& text) {
  return ReadKmlText(text, "LoadKmlData");
}

// The message of the error that reading the text throws ("" when none).
std::string FailureOf(const std::u16string& text) {
  try {
    static_cast<void>(Read(text));
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), codes::kInvalidArg);
    return error.what();
  }
  return "";
}

// Every child points back at its parent.
bool IsConsistentTree(const FeatureNode& node) {
  for (const auto& child : node.children) {
    if (!child || child->parent.lock().get() != &node || !IsConsistentTree(*child)) {
      return false;
    }
  }
  return true;
}

std::size_t FeatureCount(const FeatureNode& node) {
  std::size_t count = 1;
  for (const auto& child : node.children) {
    count += FeatureCount(*child);
  }
  return count;
}

// "LoadKmlData: invalid KML at line L, column C: reason" with L and C
// inside a one-line text of `length` characters.
bool NamesAPlaceIn(const std::string& message, std::size_t length) {
  unsigned line = 0;
  unsigned column = 0;
  int reasonAt = 0;
  if (std::sscanf(message.c_str(), "LoadKmlData: invalid KML at line %u, column %u: %n", &line,
                  &column, &reasonAt) != 2 ||
      reasonAt == 0) {
    return false;
  }
  return line == 1 && column >= 1 && column <= length + 1 &&
         message.size() > static_cast<std::size_t>(reasonAt);
}

std::vector<std::byte> Bytes(std::string_view text) {
  const auto* data = reinterpret_cast<const std::byte*>(text.data());
  return {data, data + text.size()};
}

}  // namespace

STANDIN_TEST(KmlBecomesFeaturesInDocumentOrder) {
  const auto top = Read(
      u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      u"<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><name>Trip</name>"
      u"<Folder><name>Stops</name><visibility>0</visibility>"
      u"<Placemark><name>A</name></Placemark><Placemark><name>B</name></Placemark></Folder>"
      u"<Placemark><name>C</name><visibility>true</visibility>"
      u"<Point><coordinates>13.4,52.5,7</coordinates></Point></Placemark>"
      u"<NetworkLink><name>Feed</name></NetworkLink>"
      u"</Document></kml>");
  ASSERT_TRUE(top);
  EXPECT_TRUE(top->name == u"Trip");
  ASSERT_EQ(top->children.size(), 3U);
  const auto& folder = top->children[0];
  EXPECT_TRUE(folder->name == u"Stops");
  EXPECT_FALSE(folder->visible);
  ASSERT_EQ(folder->children.size(), 2U);
  EXPECT_TRUE(folder->children[0]->name == u"A" && folder->children[1]->name == u"B");
  EXPECT_TRUE(folder->children[1]->visible);  // its own flag; the folder hides it when drawn
  EXPECT_TRUE(folder->children[0]->parent.lock() == folder);
  const auto& point = top->children[1];
  EXPECT_TRUE(point->visible && point->children.empty());
  ASSERT_TRUE(point->shape);
  EXPECT_EQ(point->shape->kind, PlacemarkShape::Kind::kPoint);
  ASSERT_EQ(point->shape->coordinates.size(), 1U);
  EXPECT_EQ(point->shape->coordinates[0].longitude, 13.4);
  EXPECT_EQ(point->shape->coordinates[0].latitude, 52.5);
  EXPECT_EQ(point->shape->coordinates[0].altitude, 7.0);
  EXPECT_TRUE(top->children[2]->name == u"Feed");
  EXPECT_FALSE(folder->children[0]->shape);  // no geometry, nothing to draw
}

STANDIN_TEST(KmlRootMayBeInAnyKmlNamespaceOrNone) {
  for (const std::u16string root : {u"kml", u"kml xmlns=\"http://www.opengis.net/kml/2.2\"",
                                    u"kml xmlns=\"http://earth.google.com/kml/2.1\"",
                                    u"kml xmlns=\"http://earth.google.com/kml/2.2\""}) {
    const auto top = Read(u"<" + root + u"><Placemark><name>P</name></Placemark></kml>");
    EXPECT_TRUE(top && top->name == u"P") << ToUtf8(root);
  }
  const auto prefixed = Read(
      u"<k:kml xmlns:k=\"http://www.opengis.net/kml/2.2\"><k:Folder><k:name>F</k:name>"
      u"</k:Folder></k:kml>");
  EXPECT_TRUE(prefixed && prefixed->name == u"F");
}

STANDIN_TEST(NamesKeepTheirTextWithEntitiesDecoded) {
  const struct {
    std::u16string written;
    std::u16string name;
  } kCases[] = {
      {u"a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;", u"a & b <c> \"d\" 'e'"},
      {u"&#233;&#x4E1C;", u"\u00E9\u4E1C"},
      {u"  two  blanks  ", u"  two  blanks  "},
      {u" ", u" "},
      {u"", u""},
      {u"<![CDATA[<raw> & text]]>", u"<raw> & text"},
      {u"line1\r\nline2", u"line1\nline2"},  // XML turns CR LF into LF
      {u"Z\u00FCrich \u6771\u4EAC \U0001F600", u"Z\u00FCrich \u6771\u4EAC \U0001F600"},
  };
  for (const auto& c : kCases) {
    const auto top = Read(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml><Placemark><name>" +
                          c.written + u"</name></Placemark></kml>");
    EXPECT_TRUE(top && top->name == c.name) << ToUtf8(c.written);
  }
}

STANDIN_TEST(TextIsReadAsUtf8WhateverItsDeclarationSays) {
  const auto top = Read(
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><kml><Placemark><name>\u00C5re</name>"
      u"</Placemark></kml>");
  EXPECT_TRUE(top && top->name == u"\u00C5re");
}

STANDIN_TEST(FileBytesFollowTheirOwnEncoding) {
  // UTF-16 with a byte order mark, and a UTF-8 byte order mark.
  const std::u16string wide = u"\uFEFF<kml><Folder><name>\u00E9t\u00E9</name></Folder></kml>\r\n";
  std::vector<std::byte> utf16;
  for (const char16_t c : wide) {
    utf16.push_back(static_cast<std::byte>(c & 0xFF));
    utf16.push_back(static_cast<std::byte>(c >> 8));
  }
  const auto fromUtf16 = ReadKmlBytes(utf16, "OpenKmlFile: w.kml");
  EXPECT_TRUE(fromUtf16 && fromUtf16->name == u"\u00E9t\u00E9");
  const auto withBom = ReadKmlBytes(
      Bytes("\xEF\xBB\xBF<kml><Folder><name>\xC3\xA9</name></Folder></kml>"), "OpenKmlFile: b");
  EXPECT_TRUE(withBom && withBom->name == u"\u00E9");
}

STANDIN_TEST(VisibilityReadsZeroOneFalseTrue) {
  const struct {
    std::u16string text;
    bool visible;
  } kCases[] = {{u"0", false},   {u"1", true},    {u"false", false},
                {u"true", true}, {u" 0 ", false}, {u"maybe", true}};
  for (const auto& c : kCases) {
    const auto top = Read(u"<kml><Folder><visibility>" + c.text + u"</visibility></Folder></kml>");
    EXPECT_TRUE(top && top->visible == c.visible) << ToUtf8(c.text);
  }
}

STANDIN_TEST(InvalidKmlIsRefusedWithLineAndColumn) {
  const struct {
    std::u16string text;
    std::string expected;  // a part of the message
  } kCases[] = {
      {u"", "line 1, column 1: the text is empty"},
      {u"<kml><Document></Folder></kml>", "line 1, column "},
      {u"<kml>\n<Document>\n<name>x</nam></Document></kml>", "line 3, column "},
      {u"<gpx><Placemark/></gpx>", "line 1, column 2: the root element is <gpx>, not <kml>"},
      {u"<kml xmlns=\"http://example.com/other\"><Placemark/></kml>", "not <kml>"},
      {u"<kml><Document><name>x</name>", "line 1, column 30: "},
      // Text that stops inside character data, a comment, CDATA, a tag or
      // an attribute.
      {u"<kml><Document><name>cut short", "line 1, column "},
      {u"<kml><Document><name>x</name><!-- cut", "line 1, column "},
      {u"<kml><Document><name><![CDATA[cut", "line 1, column "},
      {u"<kml><Docu", "line 1, column "},
      {u"<kml><Document id=\"cut", "line 1, column "},
      {u"<?xml version=\"1.0\"?>", "line 1, column "},
      {u"<?xml version=\"1.0\"?>\n ", "line 2, column "},
      {u"<?xml version=\"1.0\"?><!-- no root -->", "line 1, column "},
      {u"<?xml version=\"1.0\"?><", "line 1, column "},
      {u"<kml><Document><name>x</name></Document>", "before the end tag of <kml>"},
      {u"<kml><Document><name>x</name></Document></kml", "line 1, column "},
      {u"<kml><Document><name>x</name></Document></km", "line 1, column "},
      {u"<kml/>", "holds no feature"},
      {u"<kml><Style/></kml>", "holds no feature"},
      {u"<kml><Placemark/></kml><kml/>", "line 1, column "},
      {u"just text", "line 1, column "},
      {u"<!DOCTYPE kml [<!ENTITY x \"y\">]><kml><Placemark/></kml>", "line 1, column "},
  };
  for (const auto& c : kCases) {
    const std::string message = FailureOf(c.text);
    EXPECT_TRUE(message.starts_with("LoadKmlData: invalid KML at line ")) << message;
    EXPECT_NE(message.find(c.expected), std::string::npos)
        << ToUtf8(c.text) << " gave: " << message;
  }
}

// Wherever a document is cut, reading it ends: with the whole document's
// features, or with an error (never a hang, never half a document).
STANDIN_TEST(EveryPrefixOfADocumentIsReadOrRefused) {
  const std::u16string document =
      u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://earth.google.com/kml/2.2\">"
      u"<Document><name>Fish &amp; Chips</name><!-- a note --><?note on the "
      u"quay?><Placemark><name>A</name>"
      u"<description><![CDATA[<b>quay</b>]]></description><Style id=\"s\"><IconStyle><heading>"
      u"-45</heading></IconStyle></Style><Point><coordinates>-0.125,51.5,0</coordinates></Point>"
      u"</Placemark></Document></kml>";
  for (std::size_t length = 0; length < document.size(); ++length) {
    const std::string failure = FailureOf(document.substr(0, length));
    EXPECT_FALSE(failure.empty()) << "a document cut after " << length << " characters was read";
  }
  EXPECT_TRUE(Read(document)->name == u"Fish & Chips");
}

// Documents with characters changed at random: each is read or refused.
STANDIN_TEST(DamagedDocumentsAreReadOrRefused) {
  const std::u16string document =
      u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://earth.google.com/kml/2.2\">"
      u"<Document><name>Fish &amp; Chips</name><!-- a note --><Placemark><name>A</name>"
      u"<description><![CDATA[<b>quay</b>]]></description><Style id=\"s\"><IconStyle><heading>"
      u"-45</heading></IconStyle></Style><Point><coordinates>-0.125,51.5,0</coordinates></Point>"
      u"</Placemark></Document></kml>";
  constexpr char16_t kMarkup[] = u"<>/?!-[]&;\"'= x";
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525U + 1013904223U;
    return seed >> 8;
  };
  int read = 0;
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::u16string damaged = document;
    const int changes = 1 + static_cast<int>(next() % 3);
    for (int i = 0; i < changes; ++i) {
      damaged[next() % damaged.size()] = kMarkup[next() % (std::size(kMarkup) - 1)];
    }
    const std::string context = "round " + std::to_string(round) + ": " + ToUtf8(damaged);
    std::shared_ptr<FeatureNode> top;
    std::string message;
    try {
      top = Read(damaged);
    } catch (const Error& error) {
      EXPECT_EQ(error.Code(), codes::kInvalidArg) << context;
      message = error.what();
    }
    if (message.empty()) {
      // Read: a tree of at most the Document and its placemark, as written.
      ++read;
      ASSERT_TRUE(top) << context;
      EXPECT_TRUE(IsConsistentTree(*top)) << context;
      EXPECT_LE(FeatureCount(*top), 2U) << context;
    } else {
      // Refused: with the place in the text and a reason.
      ++refused;
      EXPECT_TRUE(NamesAPlaceIn(message, damaged.size())) << context << "\n" << message;
    }
  }
  EXPECT_GT(read, 100);
  EXPECT_GT(refused, 100);
}

STANDIN_TEST(CommentsAndBlanksAfterTheRootAreFine) {
  const auto top = Read(u"<kml><Placemark><name>P</name></Placemark></kml >\r\n<!-- end -->\n");
  EXPECT_TRUE(top && top->name == u"P");
}

STANDIN_TEST(OnlyTheFirstTopLevelFeatureIsLoaded) {
  const auto top = Read(
      u"<kml><Placemark><name>First</name></Placemark><Folder><name>Second</name></Folder>"
      u"</kml>");
  EXPECT_TRUE(top && top->name == u"First" && top->children.empty());
}

STANDIN_TEST(ElementsOutsideTheFeatureVocabularyAreSkipped) {
  const auto top = Read(
      u"<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
      u"xmlns:gx=\"http://www.google.com/kml/ext/2.2\">"
      u"<Document><name>D</name><gx:Tour><name>tour</name></gx:Tour>"
      u"<Placemark><Snippet>s</Snippet><ExtendedData><Data name=\"d\"><value>v</value></Data>"
      u"</ExtendedData><name>P</name><description><![CDATA[<name>not me</name>]]></description>"
      u"</Placemark></Document></kml>");
  ASSERT_TRUE(top);
  EXPECT_TRUE(top->name == u"D");
  ASSERT_EQ(top->children.size(), 1U);
  EXPECT_TRUE(top->children[0]->name == u"P");
}

STANDIN_TEST(DocumentsNestedTooDeeplyAreRefused) {
  std::u16string text = u"<kml>";
  for (int i = 0; i < 300; ++i) {
    text += u"<Folder>";
  }
  for (int i = 0; i < 300; ++i) {
    text += u"</Folder>";
  }
  text += u"</kml>";
  const std::string message = FailureOf(text);
  EXPECT_NE(message.find("nested deeper than"), std::string::npos) << message;
}

STANDIN_TEST(PlacemarksKeepTheirLineAndStyle) {
  const auto top = Read(
      u"<kml><Document><name>Track1</name>"
      u"<Style id=\"YellowLine\"><LineStyle><color>ff00ffff</color><width>4</width></LineStyle>"
      u"</Style>"
      u"<Placemark><visibility>1</visibility><styleUrl>#YellowLine</styleUrl><LineString>"
      u"<coordinates>1,2,0 3,4,0</coordinates></LineString></Placemark>"
      u"<Placemark><styleUrl>#YellowLine</styleUrl><Style><LineStyle><color>800000ff</color>"
      u"</LineStyle></Style><MultiGeometry><LineString><coordinates>5,6 7,8</coordinates>"
      u"</LineString></MultiGeometry></Placemark>"
      u"<Placemark><name>GPS</name><Style><IconStyle><heading>-45</heading></IconStyle></Style>"
      u"<Point><coordinates>3,4,0</coordinates></Point></Placemark>"
      u"</Document></kml>");
  ASSERT_TRUE(top);
  ASSERT_EQ(top->children.size(), 3U);
  const auto& line = top->children[0]->shape;
  ASSERT_TRUE(line);
  EXPECT_EQ(line->kind, PlacemarkShape::Kind::kLine);
  EXPECT_EQ(line->coordinates.size(), 2U);
  EXPECT_EQ(line->lineColour, 0xFF00FFFFU);
  EXPECT_EQ(line->lineWidth, 4.0);
  const auto& overridden = top->children[1]->shape;
  ASSERT_TRUE(overridden);
  EXPECT_EQ(overridden->lineColour, 0x800000FFU);  // inline wins over shared
  EXPECT_EQ(overridden->lineWidth, 4.0);           // the shared style fills the rest
  const auto& boat = top->children[2]->shape;
  ASSERT_TRUE(boat && boat->heading);
  EXPECT_EQ(*boat->heading, -45.0);
  EXPECT_EQ(boat->kind, PlacemarkShape::Kind::kPoint);
}

STANDIN_TEST(CoordinatesAreTuplesSeparatedByWhiteSpace) {
  const struct {
    std::u16string text;
    std::vector<double> flat;  // lon, lat, alt of each tuple read
  } kCases[] = {
      {u"1,2", {1, 2, 0}},
      {u"1,2,3 4,5,6", {1, 2, 3, 4, 5, 6}},
      {u"\n\t 1.5,-2.25\n 3,4 \n", {1.5, -2.25, 0, 3, 4, 0}},
      {u"1, 2, 3", {1, 2, 3}},
      {u"-0.5,1e1", {-0.5, 10, 0}},
      {u"a,b 1,2", {1, 2, 0}},
      {u"1,2,3,4 5,6", {5, 6, 0}},
      {u"1 5,6", {5, 6, 0}},
      {u"1,95 1,90", {1, 90, 0}},
      {u"", {}},
  };
  for (const auto& c : kCases) {
    std::vector<double> flat;
    for (const KmlCoordinate& p : ParseKmlCoordinates(c.text)) {
      flat.insert(flat.end(), {p.longitude, p.latitude, p.altitude});
    }
    EXPECT_EQ(flat, c.flat) << ToUtf8(c.text);
  }
}
