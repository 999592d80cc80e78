// How a remote site comes back after its connection was lost, over a driver whose server is
// up or down as the test says: every call after a loss logs in afresh first, a server that
// stays away is waited for once and then failed fast, and a cancel ends the waiting.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/RemoteFileSystem.h"
#include "support/TestEnv.h"

namespace tv {
namespace {

using namespace std::chrono_literals;

// Atomic: a test thread brings the server up or down while a call is waiting for it.
struct CServerState {
    std::atomic<bool> m_bUp{true};
    std::atomic<bool> m_bConnected{false};
    std::atomic<int> m_nLogins{0};
    std::atomic<int> m_nLoginTries{0};
    std::atomic<int> m_nSaysNo{0};  // calls left that the server refuses while connected
};

// Lists an empty folder; a call on a connection that is gone breaks off, as a real one does.
class CFlakyDriver final : public IRemoteDriver {
  public:
    explicit CFlakyDriver(CServerState& state) : m_state(state) {}
    int Connect() override {
        ++m_state.m_nLoginTries;
        if (!m_state.m_bUp) {
            return ECONNREFUSED;
        }
        m_state.m_bConnected = true;
        ++m_state.m_nLogins;
        return 0;
    }
    bool IsConnected() override { return m_state.m_bConnected; }
    void Disconnect() override { m_state.m_bConnected = false; }
    int List(const std::string&, CRemoteListing&) override { return Call(); }
    int FolderExists(const std::string&, bool& exists) override {
        exists = true;
        return Call();
    }
    int MakeFolder(const std::string&) override { return Call(); }
    int DeleteFile(const std::string&) override { return Call(); }
    int RemoveFolder(const std::string&) override { return Call(); }
    int Download(const std::string&, uint64_t, const RemoteSinkFn&) override { return Call(); }
    int Upload(const std::string&, const RemoteSourceFn&, const CUploadOptions&, bool&) override {
        return Call();
    }
    int SetTime(const std::string&, FileTime) override { return Call(); }
    void Cancel() override {}
    std::string LastError() const override { return {}; }

  private:
    int Call() {
        if (!m_state.m_bUp) {
            m_state.m_bConnected = false;
        }
        if (!m_state.m_bConnected) {
            return ECONNRESET;
        }
        if (m_state.m_nSaysNo > 0) {
            --m_state.m_nSaysNo;
            return EIO;
        }
        return 0;
    }
    CServerState& m_state;
};

class RemoteReconnect : public testing::Test {
  protected:
    RemoteReconnect() {
        m_fs = std::make_unique<CRemoteFileSystem>(std::make_unique<CFlakyDriver>(m_state),
                                                   LocalFileSystem(), m_spool.Path().string());
        m_fs->SetReconnectRule({2, 400ms, [this] { return m_bCancel.load(); }});
    }
    int List() {
        std::vector<std::string> names;
        return m_fs->ListNames("/", names);
    }
    static std::chrono::milliseconds Timed(const std::function<void()>& what) {
        const auto start = std::chrono::steady_clock::now();
        what();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    tvtest::CTempDir m_spool;
    CServerState m_state;
    std::atomic<bool> m_bCancel{false};
    std::unique_ptr<CRemoteFileSystem> m_fs;
};

TEST_F(RemoteReconnect, ALostConnectionIsMadeAgainBeforeTheNextCallOnly) {
    ASSERT_EQ(m_fs->Connect(), 0);
    m_state.m_nSaysNo = 1;
    EXPECT_EQ(List(), EIO);
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(m_state.m_nLogins, 1) << "a server that said no is still connected";

    m_state.m_bConnected = false;  // dropped behind the program's back
    EXPECT_EQ(List(), ECONNRESET);
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(m_state.m_nLogins, 2);
}

TEST_F(RemoteReconnect, AServerThatStaysAwayIsWaitedForOnceThenFailedFast) {
    ASSERT_EQ(m_fs->Connect(), 0);
    m_state.m_bUp = false;
    EXPECT_EQ(List(), ECONNRESET);
    int error = 0;
    EXPECT_GE(Timed([&] { error = List(); }), 800ms) << "two waits before the two retries";
    EXPECT_EQ(error, ECONNREFUSED);
    EXPECT_EQ(m_state.m_nLoginTries, 4);
    EXPECT_LT(Timed([&] { error = List(); }), 100ms);
    EXPECT_EQ(error, ECONNREFUSED);
    EXPECT_EQ(m_state.m_nLoginTries, 5);

    m_state.m_bUp = true;
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(m_state.m_nLogins, 2);
}

TEST_F(RemoteReconnect, TheFirstConnectWaitsForAServerOnItsWayUpAndACancelEndsTheWait) {
    m_state.m_bUp = false;
    std::thread comesUp([&] {
        std::this_thread::sleep_for(200ms);
        m_state.m_bUp = true;
    });
    EXPECT_EQ(m_fs->Connect(), 0);
    comesUp.join();

    m_state.m_bUp = false;
    EXPECT_EQ(List(), ECONNRESET);
    std::thread cancel([&] {
        std::this_thread::sleep_for(100ms);
        m_bCancel = true;
    });
    int error = 0;
    EXPECT_LT(Timed([&] { error = List(); }), 400ms);
    cancel.join();
    EXPECT_EQ(error, ECANCELED);
}

}  // namespace
}  // namespace tv
