#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Notify.h"
#include "platform/ServerChild.h"
#include "platform/TcpSocket.h"

namespace {

// A private session bus with no notification service on it: what the program sends must pass
// the bus's login and checks and reach the point where the bus looks for the service.
class PrivateBus {
  public:
    const std::string& Address() const { return m_daemon.FirstLine(); }

  private:
    tvtest::CServerProcess m_daemon{{"dbus-daemon", "--session", "--nofork", "--print-address=1"}};
};

TEST(NetMessage, GoesToThisComputerOnlyAndSpeaksTheBusProtocol) {
    std::string error;
    EXPECT_EQ(tv::SendNetMessage("another-computer-" + tv::LocalHostName(), "hi", &error),
              tv::NetMessageResult::NotThisComputer);
    EXPECT_TRUE(tv::IsThisComputer(tv::LocalHostName()));
    EXPECT_TRUE(tv::IsThisComputer("LOCALHOST"));

    PrivateBus bus;
    if (bus.Address().empty()) {
        GTEST_SKIP() << "no dbus-daemon here";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
    // The bus answers the notification call with "no such service", not by dropping a
    // connection that sent something malformed.
    EXPECT_EQ(tv::SendNetMessage("localhost", "Task \xc3\xa9 finished", &error),
              tv::NetMessageResult::Failed);
    EXPECT_EQ(error, "no notification service answered");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace
