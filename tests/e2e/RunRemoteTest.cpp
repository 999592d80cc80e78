// Runs of the real program against real FTP, FTPS and SFTP servers on this machine, whose folders
// are local: every check looks at what really arrived, in both directions.
#include <gtest/gtest.h>

#include "e2e/RunTestSupport.h"
#include "platform/FtpServer.h"
#include "platform/RemoteTestSupport.h"
#include "platform/SshServer.h"

namespace runtest {

namespace {

using tvtest::CFtpServer;
using tvtest::CSshServer;
using tvtest::FtpTls;
using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int kSync = 0x20;          // synchronize folders (two-way)
constexpr int kUpdateTarget = 0x21;  // target update only

class RunRemoteTest : public RunTest {
  protected:
    static Json FtpSite(int port, int protocol, const std::string& folder) {
        return {{"m_bIsFtp", 1},
                {"m_strSiteName", "site"},
                {"m_strHost", "127.0.0.1"},
                {"m_nPort", port},
                {"m_nProtocol", protocol},
                {"m_strUser", "tv"},
                {"m_strPassword", "s3cret-pw"},
                {"m_strRemoteDir", folder},
                {"m_bPassive", 1}};
    }
    Json SftpSite(const CSshServer& server, const std::string& folder) const {
        Json site = FtpSite(server.Port(), 1, folder);
        site["m_strUser"] = server.User();
        site["m_strPassword"] = "";
        site["m_bUseKey"] = 1;
        site["m_strKeyFile"] = server.ClientKey();
        return site;
    }
    static Json RemoteTask(int id, Json source, Json target, int options = kUpdateTarget) {
        Json task = Task(id, "/unused", {"/unused"});
        task["m_dwOptions"] = options;
        task["m_Source"] = std::move(source);
        task["m_Targets"] = Json::array({std::move(target)});
        return task;
    }
    static Json Local(const fs::path& folder) { return {{"m_strPath", folder.string()}}; }

    void TrustHost(const CSshServer& server) {
        fs::create_directories(m_home.Root() / ".ssh");
        WriteFile(
            m_home.Root() / ".ssh" / "known_hosts",
            "[127.0.0.1]:" + std::to_string(server.Port()) + " " + server.HostKeyLine() + "\n");
    }
    // A tree with a nested folder, an empty file and bytes that text mode would change.
    fs::path Tree(const std::string& name) {
        const fs::path root = Dir(name);
        WriteFile(root / "a.txt", "alpha\r\nline two\n");
        fs::create_directories(root / "sub" / "deeper");
        WriteFile(root / "sub" / "deeper" / "b.bin", std::string("\0\r\n\x1a\xff binary", 14));
        WriteFile(root / "empty", "");
        return root;
    }
    size_t Copied(int id) const { return tvtest::Count(Log(id), "--->"); }
};

TEST_F(RunRemoteTest, FtpRoundTripCopiesExactlyAndARerunCopiesNothing) {
    const fs::path served = Dir("served");
    CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), {}, FtpTls::None);
    const fs::path source = Tree("src");
    const fs::path back = Dir("back");
    Json upload = RemoteTask(1, Local(source), FtpSite(server.Port(), 0, "/up/load"));
    upload["m_dwOptions3"] = 0xC00 | 0x40;  // create the target folder
    const std::string list =
        MakeList({upload, RemoteTask(2, FtpSite(server.Port(), 0, "/up/load"), Local(back)),
                  RemoteTask(3, Local(source), FtpSite(server.Port(), 0, "/up/load"), kSync)});

    const CRun up = Mirrant({"/F:" + list, "1"});
    EXPECT_EQ(up.m_exit, 0) << up.m_err << Log(1);
    EXPECT_TRUE(Same(source, served / "up" / "load")) << Log(1);
    const CRun down = Mirrant({"/F:" + list, "2"});
    EXPECT_EQ(down.m_exit, 0) << down.m_err << Log(2);
    EXPECT_TRUE(Same(source, back)) << Log(2);
    // The server keeps whole seconds.
    EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(fs::last_write_time(back / "a.txt")),
              std::chrono::floor<std::chrono::seconds>(fs::last_write_time(source / "a.txt")));

    // Both ways: each side's new file reaches the other, and nothing else moves.
    WriteFile(source / "from-local.txt", "local side");
    WriteFile(served / "up" / "load" / "sub" / "from-server.txt", "server side");
    fs::last_write_time(served / "up" / "load" / "sub" / "from-server.txt",
                        fs::last_write_time(source / "a.txt"));
    const CRun both = Mirrant({"/F:" + list, "3"});
    EXPECT_EQ(both.m_exit, 0) << both.m_err << Log(3);
    EXPECT_EQ(ReadFile(source / "sub" / "from-server.txt"), "server side");
    EXPECT_EQ(ReadFile(served / "up" / "load" / "from-local.txt"), "local side");
    EXPECT_EQ(Copied(3), 2u) << Log(3);
    EXPECT_EQ(Mirrant({"/F:" + list, "3"}).m_exit, 0);
    EXPECT_EQ(Copied(3), 0u) << Log(3);
}

}  // namespace

}  // namespace runtest
