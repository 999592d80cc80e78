// Archives on a real FTP server of this machine: built locally, uploaded, and downloaded again
// to be restored; the server's folder shows what arrived.
#include <cstdlib>

#include "e2e/RemoteRunSupport.h"
#include "platform/FtpServer.h"

namespace runtest {

namespace {

using tvtest::CFtpServer;
using tvtest::FtpTls;
using tvtest::WriteFile;

class RunRemoteArchiveTest : public RemoteRunTest {};

TEST_F(RunRemoteArchiveTest, AnArchiveGoesUpToTheServerAndRestoresFromIt) {
    const fs::path served = Dir("served");
    fs::create_directories(served / "arch");
    CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), {}, FtpTls::None);
    const fs::path source = Dir("src");
    WriteFile(source / "a.txt", "alpha");
    fs::create_directories(source / "sub");
    WriteFile(source / "sub" / "b.bin", std::string("\0\r\n\xff", 4));
    Json task = RemoteTask(9, Local(source), FtpSite(server.Port(), 0, "/arch/b.zip"), 0x821);
    task["m_dwOptions3"] = 0xC02;  // plain-text log, archive target
    const std::string list = MakeList({task});

    const CRun up = Mirrant({"/F:" + list, "9"});
    ASSERT_EQ(up.m_exit, 0) << up.m_err << Log(9);
    const fs::path uploaded = served / "arch" / "b.zip";
    ASSERT_TRUE(fs::exists(uploaded)) << Log(9);
    if (std::system("command -v unzip >/dev/null") == 0) {
        EXPECT_EQ(std::system(("unzip -tq '" + uploaded.string() + "' >/dev/null").c_str()), 0);
    }
    // Nothing of the transfer stays behind, here or on the server.
    EXPECT_EQ(std::distance(fs::directory_iterator(served / "arch"), fs::directory_iterator()), 1);
    const fs::path temp = m_home.DataHome() / "Twinvale" / "Temp";
    EXPECT_TRUE(!fs::exists(temp) || fs::is_empty(temp));

    const fs::path original = m_home.Root() / "original";
    fs::rename(source, original);
    fs::create_directories(source);
    const CRun down = Mirrant({"/F:" + list, "9", "--restore"});
    ASSERT_EQ(down.m_exit, 0) << down.m_err << Log(9);
    EXPECT_TRUE(Same(source, original));
    EXPECT_NE(Log(9).find("Files copied"), std::string::npos);
    EXPECT_TRUE(!fs::exists(temp) || fs::is_empty(temp));
}

}  // namespace

}  // namespace runtest
