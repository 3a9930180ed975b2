// Each document is built in one allocation of exactly its length: counted
// by replacing the global operator new for this executable only.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "kml/overlay_documents.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<int> allocations{0};

void* Allocate(std::size_t size) {
  if (counting) {
    ++allocations;
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  const auto align = static_cast<std::size_t>(alignment);
  if (void* block = std::aligned_alloc(align, (size + align - 1) / align * align)) {
    if (counting) {
      ++allocations;
    }
    return block;
  }
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
// Over-aligned requests (std::pmr's default resource makes them) count too.
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }

namespace zge::kml {
namespace {

template <typename Build>
int AllocationsOf(const Build& build, std::u16string& document) {
  allocations = 0;
  counting = true;
  document = build();
  counting = false;
  return allocations;
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
    [](const auto& testInfo) { return std::string(testInfo.param.what); });

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
