// The automation connection: connects on demand, once, and says so when it
// still has no server.
#include "earth/application_connection.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "fake_earth.h"

namespace zge::testing {
namespace {

// A server port that answers without an application object.
class SilentServer final : public earth::EarthServer {
 public:
  std::unique_ptr<earth::ApplicationGE> Connect() override {
    ++connects;
    return nullptr;
  }
  int connects = 0;
};

TEST(ApplicationConnectionTest, DefaultInterfaceConnectsOnceAndKeepsTheConnection) {
  fakes::CallLog log;
  fakes::FakeEarth earth(log);
  earth::TApplicationGE connection(earth);
  EXPECT_FALSE(connection.IsConnected());
  connection.DefaultInterface();
  connection.DefaultInterface();
  connection.Connect();
  EXPECT_TRUE(connection.IsConnected());
  EXPECT_EQ(earth.state.connectCount, 1);
  connection.Disconnect();
  EXPECT_EQ(earth.state.connections, 0);
}

TEST(ApplicationConnectionTest, StillUnconnectedAfterOneTryFailsWithTheNotConnectedError) {
  SilentServer server;
  earth::TApplicationGE connection(server);
  try {
    connection.DefaultInterface();
    FAIL() << "expected an error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(),
                 "DefaultInterface is NULL. Component is not connected to Server. You must call "
                 "'Connect' or 'ConnectTo' before this operation");
  }
  EXPECT_EQ(server.connects, 1);
}

TEST(ApplicationConnectionTest, ConnectFailurePassesTheServersError) {
  fakes::CallLog log;
  fakes::FakeEarth earth(log);
  earth.state.registered = false;
  earth::TApplicationGE connection(earth);
  try {
    connection.Connect();
    FAIL() << "expected an error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), earth.state.connectError);
  }
  EXPECT_FALSE(connection.IsConnected());
}

}  // namespace
}  // namespace zge::testing
