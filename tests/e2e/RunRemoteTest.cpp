// Runs of the real program against real FTP, FTPS and SFTP servers on this machine, whose folders
// are local: every check looks at what really arrived, in both directions.
#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include "e2e/RemoteRunSupport.h"
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

class RunRemoteTest : public RemoteRunTest {
  protected:
    Json SftpSite(const CSshServer& server, const std::string& folder) const {
        Json site = FtpSite(server.Port(), 1, folder);
        site["m_strUser"] = server.User();
        site["m_strPassword"] = "";
        site["m_bUseKey"] = 1;
        site["m_strKeyFile"] = server.ClientKey();
        return site;
    }
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
        static constexpr char kBinary[] = "\0\r\n\x1a\xff binary";
        WriteFile(root / "sub" / "deeper" / "b.bin", std::string(kBinary, sizeof kBinary - 1));
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
    Json elsewhere = FtpSite(server.Port(), 0, "/up/load");
    elsewhere["m_strHost"] = "ftp://stored-host.invalid";  // the command line names the host
    upload["m_dwOptions3"] = 0xC00 | 0x40;                 // create the target folder
    const std::string list =
        MakeList({upload, RemoteTask(2, elsewhere, Local(back)),
                  RemoteTask(3, Local(source), FtpSite(server.Port(), 0, "/up/load"), kSync)});

    const CRun up = Mirrant({"/F:" + list, "1"});
    EXPECT_EQ(up.m_exit, 0) << up.m_err << Log(1);
    EXPECT_TRUE(Same(source, served / "up" / "load")) << Log(1);
    const CRun down = Mirrant({"/F:" + list, "2", "/P:127.0.0.1"});
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

TEST_F(RunRemoteTest, SftpUploadReplaceAndRerunWithAKeyLogin) {
    CSshServer server(Dir("sshd"));
    ASSERT_GT(server.Port(), 0);
    TrustHost(server);
    const fs::path source = Tree("src");
    const fs::path served = Dir("served");
    const std::string list =
        MakeList({RemoteTask(1, Local(source), SftpSite(server, served.string()))});

    const CRun up = Mirrant({"/F:" + list, "1"});
    EXPECT_EQ(up.m_exit, 0) << up.m_err << Log(1);
    EXPECT_TRUE(Same(source, served)) << Log(1);
    EXPECT_EQ(Mirrant({"/F:" + list, "1"}).m_exit, 0);
    EXPECT_EQ(Copied(1), 0u) << "exact times make a rerun find nothing to do\n" << Log(1);

    // Replace puts the source's state back, whatever the server holds now.
    WriteFile(served / "a.txt", "changed on the server, and longer than before");
    fs::last_write_time(served / "a.txt",
                        fs::last_write_time(source / "a.txt") + std::chrono::hours(1));
    WriteFile(served / "extra.txt", "only on the server");
    const CRun replaced = Mirrant({"/F:" + list, "1", "/R"});
    EXPECT_EQ(replaced.m_exit, 0) << replaced.m_err << Log(1);
    EXPECT_TRUE(Same(source, served)) << Log(1);
    EXPECT_EQ(tvtest::Count(server.Log(), "Accepted publickey"), 3u)
        << "one login per run serves the listings and the transfers";
}

TEST_F(RunRemoteTest, OneSiteToAnotherPassesThroughThisMachine) {
    const fs::path ftpRoot = Dir("ftp-root");
    CFtpServer ftp(ftpRoot.string(), (m_home.Root() / "ftpd.log").string(), {}, FtpTls::None);
    CSshServer ssh(Dir("sshd"));
    TrustHost(ssh);
    fs::copy(Tree("src"), ftpRoot, fs::copy_options::recursive);
    const fs::path sftpRoot = Dir("sftp-root");
    const std::string list = MakeList(
        {RemoteTask(1, FtpSite(ftp.Port(), 0, "/"), SftpSite(ssh, sftpRoot.string()), kSync)});

    const CRun run = Mirrant({"/F:" + list, "1"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err << Log(1);
    EXPECT_TRUE(Same(ftpRoot, sftpRoot)) << Log(1);
    EXPECT_TRUE(fs::is_empty(m_home.DataHome() / "Twinvale" / "Temp")) << "no spool is left";
}

// Nobody can be asked: an unknown server, an untrusted certificate or a wrong password ends the
// run with an error before anything moves, and no password is ever shown.
TEST_F(RunRemoteTest, UnattendedRunsRefuseWhatTheyCannotTrust) {
    CSshServer ssh(Dir("sshd"));
    const fs::path keys = Dir("keys");
    ASSERT_TRUE(tvtest::MakeTestCertificate(keys / "cert.pem", keys / "both.pem"));
    const fs::path ftpsRoot = Dir("ftps-root");
    CFtpServer ftps(ftpsRoot.string(), (m_home.Root() / "ftps.log").string(),
                    (keys / "both.pem").string(), FtpTls::ExplicitDataRequired);
    const fs::path ftpRoot = Dir("ftp-root");
    CFtpServer ftp(ftpRoot.string(), (m_home.Root() / "ftp.log").string(), {}, FtpTls::None);
    const fs::path source = Tree("src");
    Json wrong = FtpSite(ftp.Port(), 0, "/");
    wrong["m_strPassword"] = "not-the-pw-4711";
    const std::string list =
        MakeList({RemoteTask(1, Local(source), SftpSite(ssh, Dir("sftp-root").string())),
                  RemoteTask(2, Local(source), FtpSite(ftps.Port(), 3, "/")),
                  RemoteTask(3, Local(source), wrong)});

    for (int id : {1, 2, 3}) {
        const CRun run = Mirrant({"/F:" + list, std::to_string(id)});
        EXPECT_NE(run.m_exit, 0) << id << run.m_err;
        EXPECT_NE(Log(id).find("Can't connect to"), std::string::npos) << Log(id);
        EXPECT_EQ(run.m_err.find("not-the-pw-4711"), std::string::npos);
        EXPECT_EQ(Log(id).find("not-the-pw-4711"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(m_home.Root() / "sftp-root"));
    EXPECT_TRUE(fs::is_empty(ftpsRoot));
    EXPECT_TRUE(fs::is_empty(ftpRoot));
    EXPECT_FALSE(fs::exists(m_home.Root() / ".ssh" / "known_hosts")) << "nothing was trusted";
    EXPECT_NE(Log(1).find("Nobody could answer"), std::string::npos) << Log(1);
}

TEST_F(RunRemoteTest, FtpsWithATrustedCertificateAndANameThatCouldLeaveItsFolder) {
    const fs::path keys = Dir("keys");
    ASSERT_TRUE(tvtest::MakeTestCertificate(keys / "cert.pem", keys / "both.pem"));
    setenv("SSL_CERT_FILE", (keys / "cert.pem").c_str(), 1);
    const fs::path served = Dir("served");
    CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(),
                      (keys / "both.pem").string(), FtpTls::ExplicitDataRequired);
    WriteFile(served / "fine.txt", "fine");
    WriteFile(served / "..\\evil.txt", "would land above the target");
    const fs::path target = Dir("deep") / "target";
    fs::create_directories(target);
    const std::string list =
        MakeList({RemoteTask(1, FtpSite(server.Port(), 3, "/"), Local(target))});

    const CRun run = Mirrant({"/F:" + list, "1"});
    unsetenv("SSL_CERT_FILE");
    EXPECT_EQ(ReadFile(target / "fine.txt"), "fine") << run.m_err << Log(1);
    EXPECT_EQ(std::distance(fs::directory_iterator(target), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_home.Root() / "deep"), {}), 1);
    EXPECT_NE(Log(1).find("evil.txt was passed over"), std::string::npos) << Log(1);
}

// A folder of a site that names one file makes the run about that file alone, even with
// "delete files from target if not in source".
TEST_F(RunRemoteTest, ARemoteFolderThatNamesAFileSyncsThatFileAlone) {
    const fs::path served = Dir("served");
    CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), {}, FtpTls::None);
    fs::create_directories(served / "docs" / "sub");
    WriteFile(served / "docs" / "one.txt", "the one");
    WriteFile(served / "docs" / "two.txt", "not this one");
    WriteFile(served / "docs" / "sub" / "three.txt", "nor this");
    const fs::path target = Dir("dst");
    WriteFile(target / "kept.txt", "stays");
    Json task = RemoteTask(1, FtpSite(server.Port(), 0, "/docs/one.txt"), Local(target));
    task["m_dwOptions"] = kUpdateTarget | 0x8;  // delete files from the target if not in source
    const std::string list = MakeList({task});

    const CRun run = Mirrant({"/F:" + list, "1"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err << Log(1);
    EXPECT_EQ(ReadFile(target / "one.txt"), "the one");
    EXPECT_EQ(ReadFile(target / "kept.txt"), "stays");
    EXPECT_EQ(std::distance(fs::directory_iterator(target), {}), 2);
}

// A file far bigger than what waits in the spool streams up while it is read: to FTP, to SFTP
// and from one folder of a site to another of the same site its bytes arrive exactly with
// their time (a rerun copies nothing), and no temporary name or spool file stays behind.
TEST_F(RunRemoteTest, BigFilesStreamUpExactlyEvenWithinOneSite) {
    const fs::path source = Dir("src");
    {
        std::ofstream big(source / "big.bin", std::ios::binary);
        for (int stamp = 0; stamp < 1024; ++stamp) {
            big.seekp(static_cast<std::streamoff>(stamp) * (64 << 10) + stamp);
            big << "stamp " << stamp;
        }
    }
    fs::resize_file(source / "big.bin", 64u << 20);
    WriteFile(source / "small.txt", "beside it");
    const fs::path ftpRoot = Dir("ftp-root");
    fs::create_directories(ftpRoot / "up");
    fs::create_directories(ftpRoot / "copy");
    CFtpServer ftp(ftpRoot.string(), (m_home.Root() / "ftpd.log").string(), {}, FtpTls::None);
    CSshServer ssh(Dir("sshd"));
    TrustHost(ssh);
    const fs::path sftpRoot = Dir("sftp-root");
    const std::string list =
        MakeList({RemoteTask(1, Local(source), FtpSite(ftp.Port(), 0, "/up")),
                  RemoteTask(2, FtpSite(ftp.Port(), 0, "/up"), FtpSite(ftp.Port(), 0, "/copy")),
                  RemoteTask(3, Local(source), SftpSite(ssh, sftpRoot.string()))});

    for (const auto& [id, target] :
         {std::pair{1, ftpRoot / "up"}, std::pair{2, ftpRoot / "copy"}, std::pair{3, sftpRoot}}) {
        const CRun run = Mirrant({"/F:" + list, std::to_string(id)});
        EXPECT_EQ(run.m_exit, 0) << run.m_err << Log(id);
        EXPECT_TRUE(Same(source, target)) << Log(id);
        EXPECT_EQ(Mirrant({"/F:" + list, std::to_string(id)}).m_exit, 0);
        EXPECT_EQ(Copied(id), 0u) << Log(id);
    }
    EXPECT_TRUE(fs::is_empty(m_home.DataHome() / "Twinvale" / "Temp")) << "no spool is left";
}

TEST_F(RunRemoteTest, FiveThousandFilesGoUpOverOneConnectionAndStayPut) {
    const fs::path served = Dir("served");
    const fs::path log = m_home.Root() / "ftpd.log";
    CFtpServer server(served.string(), log.string(), {}, FtpTls::None);
    const fs::path source = Dir("src");
    for (int i = 0; i < 5000; ++i) {
        WriteFile(source / ("f" + std::to_string(i) + ".txt"), std::to_string(i * 7919));
    }
    const std::string list =
        MakeList({RemoteTask(1, Local(source), FtpSite(server.Port(), 0, "/"))});

    const CRun run = Mirrant({"/F:" + list, "1"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(source, served));
    EXPECT_EQ(Mirrant({"/F:" + list, "1"}).m_exit, 0);
    EXPECT_EQ(Copied(1), 0u);
    EXPECT_EQ(tvtest::Count(ReadFile(log), "USER 'tv' logged in"), 2u) << "one login per run";
}

}  // namespace

}  // namespace runtest
