#include "earth/application_connection.h"

#include "base/error.h"

namespace zge::earth {

void TApplicationGE::Connect() {
  if (application_ == nullptr) {
    application_ = server_.Connect();
  }
}

void TApplicationGE::Disconnect() noexcept { application_.reset(); }

ApplicationGE& TApplicationGE::DefaultInterface() {
  if (application_ == nullptr) {
    Connect();
  }
  if (application_ == nullptr) {
    throw Error(zge::codes::kNotConnected, kNotConnectedMessage);
  }
  return *application_;
}

}  // namespace zge::earth
