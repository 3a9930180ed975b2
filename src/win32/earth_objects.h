// The automation objects of Google Earth as the core's earth interfaces,
// each a thin layer over DispatchObject.
#pragma once

#include "system_headers.h"

#include <memory>

#include "com_types.h"
#include "earth/earth_api.h"

namespace zge::win32 {

// The application object, with DISPID caches for it and for every object
// reached from it. Takes over the reference in `application`.
std::unique_ptr<earth::ApplicationGE> MakeApplicationGE(com_ptr<IDispatch> application);

}  // namespace zge::win32
