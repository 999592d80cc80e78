#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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
    PrivateBus() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        const pid_t test = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            tvtest::BecomeTestServer(test);
            dup2(fds[1], 1);
            close(fds[0]);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
                   nullptr);
            _exit(127);
        }
        close(fds[1]);
        FILE* out = fdopen(fds[0], "r");
        char line[512] = {};
        if (fgets(line, sizeof line, out) != nullptr) {
            m_address = line;
            m_address.erase(m_address.find_last_not_of("\n") + 1);
        }
        fclose(out);
    }
    ~PrivateBus() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Address() const { return m_address; }

  private:
    pid_t m_pid = -1;
    std::string m_address;
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
