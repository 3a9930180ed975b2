// A Google Earth that lives in memory: its windows are handles of the fake
// desktop, its members can be told to fail, and it records what it is
// asked in the call log.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "call_log.h"
#include "earth/earth_server.h"

namespace zge::fakes {

// A feature of the fake's temporary places.
struct FakeFeatureNode {
  std::u16string name;
  std::int32_t visibility = 1;
  std::vector<std::shared_ptr<FakeFeatureNode>> children;
};

std::shared_ptr<FakeFeatureNode> MakeFeature(
    std::u16string name, std::int32_t visibility = 1,
    std::vector<std::shared_ptr<FakeFeatureNode>> children = {});

struct EarthState {
  bool registered = true;                                             // false: connecting fails
  std::int32_t connectError = static_cast<std::int32_t>(0x80040154);  // REGDB_E_CLASSNOTREG
  WindowHandle mainWnd = kNoWindow;
  WindowHandle renderWnd = kNoWindow;
  std::int32_t major = 7;
  std::int32_t minor = 3;
  std::int32_t build = 6;
  std::int32_t appType = 5;
  // Member name -> result code it fails with from now on.
  std::map<std::string, std::int32_t> failing;
  // Layer features by name, with their visibility.
  std::map<std::u16string, std::int32_t> features;
  // Found by name before the layers: the newest top-level feature first,
  // depth-first inside each, as Google Earth finds the latest loaded one.
  std::shared_ptr<FakeFeatureNode> temporaryPlaces = MakeFeature(u"Temporary Places");
  bool hasTemporaryPlaces = true;
  // KML texts and files handed over, in order.
  std::vector<std::u16string> loadedKml;
  std::vector<std::pair<std::u16string, bool>> openedFiles;
  int connections = 0;   // live application objects
  int connectCount = 0;  // connections made so far
};

class FakeEarth final : public earth::EarthServer {
 public:
  explicit FakeEarth(CallLog& log) : log_(log) {}
  std::unique_ptr<earth::ApplicationGE> Connect() override;
  EarthState state;

  // Throws the member's configured failure, after logging the call.
  void Call(const std::string& member);

 private:
  CallLog& log_;
};

}  // namespace zge::fakes
