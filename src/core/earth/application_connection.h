// TApplicationGE: the panel's automation connection to Google Earth. It owns
// at most one application object and connects on demand.
#pragma once

#include <memory>

#include "earth/earth_api.h"
#include "earth/earth_server.h"

namespace zge::earth {

inline constexpr const char* kNotConnectedMessage =
    "DefaultInterface is NULL. Component is not connected to Server. You must call "
    "'Connect' or 'ConnectTo' before this operation";

class TApplicationGE {
 public:
  explicit TApplicationGE(EarthServer& server) : server_(server) {}
  TApplicationGE(const TApplicationGE&) = delete;
  TApplicationGE& operator=(const TApplicationGE&) = delete;

  // Attaches to the running Google Earth or starts one. Does nothing when
  // already connected. Throws what the server port throws.
  void Connect();
  // Releases the connection; Google Earth keeps running.
  void Disconnect() noexcept;
  [[nodiscard]] bool IsConnected() const noexcept { return application_ != nullptr; }

  // The IApplicationGE interface. Connects once when not connected; throws
  // the "DefaultInterface is NULL" error when that leaves it unconnected.
  ApplicationGE& DefaultInterface();

 private:
  EarthServer& server_;
  std::unique_ptr<ApplicationGE> application_;
};

}  // namespace zge::earth
