// The earth port: Google Earth's automation server, reached out of process
// through IDispatch.
#pragma once

#include "earth/earth_server.h"

namespace zge::win32 {

class ComEarthServer final : public earth::EarthServer {
 public:
  // Creates (or attaches to) the ApplicationGE object. Needs COM initialised
  // on the calling thread, which the panel's OLE scope does.
  std::unique_ptr<earth::ApplicationGE> Connect() override;
};

}  // namespace zge::win32
