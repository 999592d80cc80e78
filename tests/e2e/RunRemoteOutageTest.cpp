// Runs of the real program while the server goes away and comes back on the same port, and
// against a server that lists only with LIST. Whatever happens to the connection, a file under
// its real name is whole, and a rerun finishes the job.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>

#include "e2e/RemoteRunSupport.h"
#include "platform/FtpServer.h"
#include "platform/RemoteTestSupport.h"

namespace runtest {

namespace {

using namespace std::chrono_literals;
using tvtest::CFtpQuirks;
using tvtest::CFtpServer;
using tvtest::FtpTls;
using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int kMirror = 0x29;  // target update only, deleting what the source lacks
constexpr size_t kBigSize = 384 * 1024;
constexpr int kSlowServer = 128 * 1024;  // bytes a second: a big file takes seconds

std::string Numbered(char prefix, int i) {
    char name[8];
    snprintf(name, sizeof name, "%c%03d", prefix, i);
    return name;
}

class RunRemoteOutageTest : public RemoteRunTest {
  protected:
    // Small files and two big ones that a slow server needs seconds for; every fourth small one
    // and a big one already have an older version at `old`, remembered in m_old.
    void MakeSource(const fs::path& source, const fs::path& old, int smallFiles) {
        for (char prefix : {'a', 'z'}) {
            for (int i = 0; i < smallFiles / 2; ++i) {
                const std::string name = Numbered(prefix, i);
                WriteFile(source / name, name + std::string(200 + i * 13, static_cast<char>(i)));
                if (i % 4 == 0) {
                    Old(old / name, name + " as it was");
                }
            }
        }
        for (const char* name : {"m1", "m2"}) {
            std::string bytes(kBigSize, 0);
            for (size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<char>((i * 7 + name[1]) % 251);
            }
            WriteFile(source / name, bytes);
        }
        Old(old / "m1", "the old m1");
    }
    void Old(const fs::path& path, const std::string& bytes) {
        WriteFile(path, bytes);
        fs::last_write_time(path, fs::file_time_type::clock::now() - 48h);
        m_old[path.filename().string()] = bytes;
    }

    // Kills the server while it holds one of the big files open, so that a transfer is cut off
    // halfway; unless the outage is to outlast the run, starts it again on its port soon after.
    enum class Outage { Brief, Lasting };
    void KillInBigTransfer(Outage outage) {
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        while (!HoldsBigFile(m_server->Pid()) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        std::this_thread::sleep_for(300ms);
        m_server->Stop(SIGKILL);
        m_killed = true;
        if (outage == Outage::Brief) {
            std::this_thread::sleep_for(1500ms);
            Restart();
        }
    }
    void Start(const fs::path& served) {
        m_served = served;
        m_server.emplace(served.string(), (m_home.Root() / "ftpd.log").string(), "", FtpTls::None,
                         "", CFtpQuirks{0, kSlowServer, false});
        m_port = m_server->Port();
    }
    void Restart() {
        m_server.emplace(m_served.string(), (m_home.Root() / "ftpd-again.log").string(), "",
                         FtpTls::None, "", CFtpQuirks{m_port, kSlowServer, false});
    }
    static bool HoldsBigFile(int pid) {
        std::error_code error;
        fs::directory_iterator fd("/proc/" + std::to_string(pid) + "/fd", error);
        for (; !error && fd != fs::directory_iterator(); fd.increment(error)) {
            const std::string file = fs::read_symlink(fd->path(), error).filename().string();
            if (file == "m1" || file == "m2" || file.starts_with(".~tv-m")) {
                return true;
            }
            error.clear();
        }
        return false;
    }

    // What may be at `dest` after a run that went wrong: the source's bytes or the old ones
    // under a real name, nothing else; upload leftovers only under names listings leave out.
    void ExpectNothingDamaged(const fs::path& source, const fs::path& dest) {
        for (const auto& entry : fs::directory_iterator(dest)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(".~tv-")) {
                continue;
            }
            const std::string bytes = ReadFile(entry.path());
            const bool fresh = fs::exists(source / name) && bytes == ReadFile(source / name);
            const bool old = m_old.contains(name) && bytes == m_old[name];
            EXPECT_TRUE(fresh || old) << name << " holds " << bytes.size() << " bytes";
        }
    }

    // A run whose server came back within the retries misses nothing; one whose server stayed
    // away says so and damages nothing, and a rerun finishes the job leaving nothing of its own.
    void ExpectOutcome(Outage outage, const CRun& run, const std::string& list,
                       const fs::path& source, const fs::path& dest) {
        ASSERT_TRUE(m_killed);
        if (outage == Outage::Brief) {
            EXPECT_EQ(run.m_exit, 0) << Log(1);
            EXPECT_TRUE(Same(source, dest)) << Log(1);
            EXPECT_NE(ReadFile(m_home.Root() / "ftpd-again.log").find("logged in"),
                      std::string::npos);
            return;
        }
        EXPECT_NE(run.m_exit, 0) << Log(1);
        ExpectNothingDamaged(source, dest);
        Restart();
        const CRun again = Mirrant({"/F:" + list, "1"});
        EXPECT_EQ(again.m_exit, 0) << again.m_err << Log(1);
        EXPECT_TRUE(Same(source, dest)) << Log(1);
    }

    std::optional<CFtpServer> m_server;
    fs::path m_served;
    int m_port = 0;
    std::map<std::string, std::string> m_old;
    bool m_killed = false;
};

TEST_F(RunRemoteOutageTest, TransfersGoOnWhenTheServerIsBackWithinTheRetries) {
    const fs::path served = Dir("served");
    const fs::path source = Dir("src");
    MakeSource(source, served, 300);
    Start(served);
    const std::string up = MakeList({RemoteTask(1, Local(source), FtpSite(m_port, 0, "/"))});
    const CRun upload = Mirrant({"/F:" + up, "1"}, [&](int) { KillInBigTransfer(Outage::Brief); });
    ExpectOutcome(Outage::Brief, upload, up, source, served);

    const fs::path target = Dir("target");
    m_old.clear();
    m_killed = false;
    fs::create_directories(served / "down");
    MakeSource(served / "down", target, 100);
    const std::string down = MakeList({RemoteTask(1, FtpSite(m_port, 0, "/down"), Local(target))});
    const CRun download =
        Mirrant({"/F:" + down, "1"}, [&](int) { KillInBigTransfer(Outage::Brief); });
    ExpectOutcome(Outage::Brief, download, down, served / "down", target);
}

TEST_F(RunRemoteOutageTest, AServerThatStaysAwayFailsTheRunAndDamagesNothing) {
    const fs::path served = Dir("served");
    const fs::path source = Dir("src");
    MakeSource(source, served, 300);
    Start(served);
    Json site = FtpSite(m_port, 0, "/");
    site["m_nConnectRetries"] = 1;
    const std::string list = MakeList({RemoteTask(1, Local(source), site)});
    const CRun run = Mirrant({"/F:" + list, "1"}, [&](int) { KillInBigTransfer(Outage::Lasting); });
    ExpectOutcome(Outage::Lasting, run, list, source, served);
}

// The listing of a big remote folder breaks off halfway: that folder is listed again once the
// server is back, and nothing on the target side is taken for gone in the meantime.
TEST_F(RunRemoteOutageTest, AListingCutOffHalfwayIsTakenAgain) {
    const fs::path served = Dir("served");
    const fs::path source = Dir("src");
    fs::create_directories(source / "big");
    fs::create_directories(served / "big");
    const auto when =
        std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) - 1h;
    for (int i = 0; i < 2000; ++i) {
        for (const fs::path& side : {source, served}) {
            WriteFile(side / "big" / Numbered('f', i), std::to_string(i));
            fs::last_write_time(side / "big" / Numbered('f', i), when);
        }
    }
    WriteFile(source / "big" / "new.txt", "arrives after the outage");
    m_served = served;
    m_server.emplace(served.string(), (m_home.Root() / "ftpd.log").string(), "", FtpTls::None, "",
                     CFtpQuirks{0, 32 * 1024, false});
    m_port = m_server->Port();
    const std::string list =
        MakeList({RemoteTask(1, Local(source), FtpSite(m_port, 0, "/"), kMirror)});

    const CRun run = Mirrant({"/F:" + list, "1"}, [&](int) {
        std::this_thread::sleep_for(1500ms);
        m_server->Stop(SIGKILL);
        std::this_thread::sleep_for(1500ms);
        Restart();
    });
    EXPECT_EQ(run.m_exit, 0) << run.m_err << Log(1);
    EXPECT_TRUE(Same(source, served)) << Log(1);
    EXPECT_EQ(tvtest::Count(Log(1), "--->"), 1u) << Log(1);
}

TEST_F(RunRemoteOutageTest, ASiteThatRefusesAtFirstIsTriedAgain) {
    const fs::path served = Dir("served");
    const fs::path source = Dir("src");
    MakeSource(source, served, 20);
    Start(served);
    m_server->Stop(SIGTERM);
    const std::string list = MakeList({RemoteTask(1, Local(source), FtpSite(m_port, 0, "/"))});

    const CRun run = Mirrant({"/F:" + list, "1"}, [&](int) {
        std::this_thread::sleep_for(2s);
        Restart();
    });
    EXPECT_EQ(run.m_exit, 0) << run.m_err << Log(1);
    EXPECT_TRUE(Same(source, served)) << Log(1);
}

// A server without MLSD lists with LIST (its own clock, to the minute) and gives exact times
// only through MDTM: the times still have to match exactly, whatever zone the program runs in.
TEST_F(RunRemoteOutageTest, AListOnlyServerAgreesWithAnUploadInEveryTimeZone) {
    const fs::path served = Dir("served");
    CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), "", FtpTls::None, "",
                      CFtpQuirks{0, 0, true});
    const char* const zone = getenv("TZ");
    const std::string before = zone ? zone : "";
    for (const char* tz : {"UTC", "America/New_York", "Asia/Kolkata"}) {
        std::string name = std::string("src-") + tz;
        std::replace(name.begin(), name.end(), '/', '-');
        const fs::path source = Dir(name);
        fs::create_directories(source / "old");
        WriteFile(source / "recent.txt", "changed a minute ago");
        fs::last_write_time(source / "recent.txt", fs::file_time_type::clock::now() - 1min);
        WriteFile(source / "old" / "year-ago.txt", "listed with a year, not a time");
        fs::last_write_time(source / "old" / "year-ago.txt",
                            fs::file_time_type::clock::now() - 24h * 400);
        WriteFile(source / "today.bin", std::string(3000, 'x'));
        const std::string folder = "/" + source.filename().string();
        Json upload = RemoteTask(1, Local(source), FtpSite(server.Port(), 0, folder));
        upload["m_dwOptions3"] = 0xC00 | 0x40;  // create the target folder
        const std::string list = MakeList(
            {upload, RemoteTask(2, Local(source), FtpSite(server.Port(), 0, folder), kSync)});

        setenv("TZ", tz, 1);
        const CRun up = Mirrant({"/F:" + list, "1"});
        const CRun both = Mirrant({"/F:" + list, "2"});
        before.empty() ? unsetenv("TZ") : setenv("TZ", before.c_str(), 1);
        EXPECT_EQ(up.m_exit, 0) << tz << up.m_err << Log(1);
        EXPECT_TRUE(Same(source, served / source.filename())) << tz << Log(1);
        EXPECT_EQ(both.m_exit, 0) << tz << both.m_err << Log(2);
        EXPECT_EQ(tvtest::Count(Log(2), "--->"), 0u) << tz << "\n" << Log(2);
    }
}

}  // namespace

}  // namespace runtest
