// Each document is built in one allocation of exactly its length: counted
// through the allocation counter linked into this executable only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation_counter.h"
#include "case_name.h"
#include "kml/overlay_documents.h"

namespace zge::kml {
namespace {

template <typename Build>
int AllocationsOf(const Build& build, std::u16string& document) {
  const long before = zge::testing::AllocationCount();
  document = build();
  return static_cast<int>(zge::testing::AllocationCount() - before);
}

std::vector<RoutePoint> Route(std::size_t count) {
  std::vector<RoutePoint> points(count);
  for (std::size_t i = 0; i < count; ++i) {
    points[i] = {u"Waypoint & more", u"A description of the point", u"file:///C:/icons/wp.png",
                 51.0 + 0.000123456789 * static_cast<double>(i),
                 -1.0 - 0.000987654321 * static_cast<double>(i)};
  }
  return points;
}

struct DocumentCase {
  const char* what;
  std::u16string (*build)();
};
ZGE_PRINTS_CASE_BY(DocumentCase, what)

class AllocationTest : public ::testing::TestWithParam<DocumentCase> {};

TEST_P(AllocationTest, AllocatesOnceExactlyTheDocumentsLength) {
  std::u16string document;
  EXPECT_EQ(AllocationsOf(GetParam().build, document), 1);
  EXPECT_EQ(document.capacity(), document.size());
}

const std::u16string kLongName(300, u'&');
const std::vector<RoutePoint> kShortRoute = Route(10);

INSTANTIATE_TEST_SUITE_P(
    Documents, AllocationTest,
    ::testing::Values(
        DocumentCase{"Waypoint",
                     [] {
                       return WaypointDocument(kLongName, u"Fish & Chips", u"a.png",
                                               47.123456789012345, -0.125);
                     }},
        DocumentCase{"LiveGps",
                     [] { return LiveGpsDocument(u"Boat", kLongName, u"b.png", 1e-7, 1e20, -45); }},
        DocumentCase{"TrackLeg",
                     [] {
                       return TrackLegDocument(kLongName, u"b.png",
                                               TrackLeg{1, 2, 3, 4, 0x8000000F, -1, 370, true});
                     }},
        DocumentCase{"ShortRoute",
                     [] { return RouteDocument(kShortRoute, kLongName, u"d", 255); }}),
    ::zge::testing::CaseName());

TEST(LongRouteAllocationTest, AllocatesTheDocumentOnceBesideItsNumberTexts) {
  const std::vector<RoutePoint> points = Route(100000);
  std::u16string document;
  // The coordinate texts of a long route outgrow the stack and take one
  // buffer of their own.
  EXPECT_EQ(AllocationsOf([&] { return RouteDocument(points, u"Long", u"d", 0); }, document), 2);
  EXPECT_EQ(document.capacity(), document.size());
}

}  // namespace
}  // namespace zge::kml
