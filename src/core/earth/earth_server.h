// The port that reaches a running Google Earth: attach to its application
// object, or create one, which starts Google Earth.
#pragma once

#include <memory>

#include "earth/earth_api.h"

namespace zge::earth {

class EarthServer {
 public:
  virtual ~EarthServer() = default;
  // Throws zge::Error when Google Earth is not registered or cannot start.
  virtual std::unique_ptr<ApplicationGE> Connect() = 0;
};

}  // namespace zge::earth
