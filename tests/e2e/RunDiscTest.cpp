// Runs of the real program on tasks whose target is a disc, burnt on the image-file recorder
// ("stdio:" addresses) and read back with xorriso. Real recorders are not tested here.
#include <algorithm>
#include <functional>
#include <vector>

#include "e2e/ArchiveTestSupport.h"
#include "e2e/RemoteRunSupport.h"
#include "platform/FtpServer.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr uint32_t kBackupNoDisk = 0x400;  // plain-text log, "Work as ordinary disk drive" off

// The name of every file and folder below `root`, with the size and a hash of each file's
// content, one sorted line each.
std::string WithoutRaw(const std::string& listing) {
    std::string kept;
    size_t start = 0;
    for (size_t end = listing.find('\n'); end != std::string::npos;
         start = end + 1, end = listing.find('\n', start)) {
        if (listing.compare(start, 3, "raw") != 0) {
            kept += listing.substr(start, end + 1 - start);
        }
    }
    return kept;
}

int Silent(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Listing(const fs::path& root) {
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string content = entry.is_directory() ? "" : ReadFile(entry.path());
        lines.push_back(fs::relative(entry.path(), root).string() +
                        (entry.is_directory()
                             ? "/"
                             : " " + std::to_string(content.size()) + " " +
                                   std::to_string(std::hash<std::string>()(content))));
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

class RunDiscTest : public ArchiveRunTest {
  protected:
    void SetUp() override {
        if (!Have("xorriso")) {
            GTEST_SKIP() << "xorriso is needed";
        }
    }

    static Json DiscTask(int id, const fs::path& source, const std::string& target) {
        Json task = Task(id, source, {});
        task["m_Targets"].push_back({{"m_strPath", target}});
        task["m_dwOptions3"] = kBackupNoDisk;
        return task;
    }

    // The image's tree as one name tree reads it: "rock" (Rock Ridge) or "joliet".
    fs::path Extract(const fs::path& image, const std::string& names) {
        const fs::path out = m_home.Root() / ("read-" + names);
        fs::remove_all(out);
        const std::string tree = names == "joliet" ? " -read_fs norock" : "";
        EXPECT_EQ(Shell("xorriso -osirrox on" + tree + " -indev " + Quote(image) + " -extract / " +
                        Quote(out)),
                  0);
        return out;
    }

    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // The source of every burn: names beyond ASCII, one longer than a plain Joliet name may
    // be, an empty file, a file of several megabytes and an empty folder.
    fs::path MixedSource() {
        const fs::path source = Dir("src");
        fs::create_directories(source / "sub" / "deep");
        fs::create_directories(source / "Grüße");
        fs::create_directories(source / "empty folder");
        WriteFile(source / "a.txt", "alpha");
        WriteFile(source / "raw\xff.bin", "raw");
        WriteFile(source / "empty", "");
        WriteFile(source / "Grüße" / "ünïcödé ✓.txt", "utf");
        WriteFile(source / (std::string(80, 'n') + "é.txt"), "long");
        std::string big;
        for (uint64_t i = 0; big.size() < (size_t{3} << 20); ++i) {
            big += std::to_string(i * 7919) + "\n";
        }
        WriteFile(source / "sub" / "deep" / "big.txt", big);
        return source;
    }
};

TEST_F(RunDiscTest, ABackupBurnsEveryFileBelowTheFolderChainInBothNameTrees) {
    const fs::path source = MixedSource();
    const fs::path image = Dir("out") / "disc.iso";
    const std::string list =
        MakeList({DiscTask(5, source, "stdio:" + image.string() + "//Backup/2026/")});
    const CRun run = Mirrant({"/F:" + list, "5"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    for (const char* said : {"Preparing CD image", "Burning CD-RW...", "Burning CD-RW finished",
                             "Burning CD-RW: 100%", "(from src/from target): 6 / 0"}) {
        EXPECT_NE(run.m_err.find(said), std::string::npos) << said << "\n" << run.m_err;
    }
    const std::string expected = Listing(source);
    for (const char* names : {"rock", "joliet"}) {
        const fs::path read = Extract(image, names);
        EXPECT_EQ(Names(read), std::vector<std::string>{"Backup"}) << names;
        EXPECT_EQ(Names(read / "Backup"), std::vector<std::string>{"2026"}) << names;
        const std::string listing = Listing(read / "Backup" / "2026");
        // Joliet holds UTF-16 only, so a name that is not UTF-8 is spelt otherwise there.
        const bool joliet = std::string(names) == "joliet";
        EXPECT_EQ(joliet ? WithoutRaw(listing) : listing, joliet ? WithoutRaw(expected) : expected)
            << names;
        EXPECT_EQ(listing.find("raw\xff.bin") != std::string::npos, !joliet) << names;
    }
    // Nothing but the image is left beside it, and no copy in the program's folders.
    EXPECT_EQ(std::distance(fs::directory_iterator(image.parent_path()), fs::directory_iterator()),
              1);
    EXPECT_FALSE(fs::exists(m_home.DataHome() / "Twinvale" / "Temp") &&
                 !fs::is_empty(m_home.DataHome() / "Twinvale" / "Temp"));
}

// The disc is never listed: a two-way task must not take the files missing on it for files
// deleted there, however often it runs, and every burn carries the whole source again.
TEST_F(RunDiscTest, TwoWayRunsNeverDeleteInTheSourceAndEachBurnHoldsTheWholeSource) {
    const fs::path source = MixedSource();
    const fs::path image = Dir("out") / "disc.iso";
    Json task = DiscTask(6, source, "stdio:" + image.string());
    task["m_dwOptions"] = 0x20;  // two-way synchronization, subfolders
    task["m_bUseSnapshot"] = 1;
    const std::string list = MakeList({task});
    const std::string before = Listing(source);
    ASSERT_EQ(Mirrant({"/F:" + list, "6"}).m_exit, 0);
    WriteFile(source / "later.txt", "later");
    const CRun second = Mirrant({"/F:" + list, "6"});
    ASSERT_EQ(second.m_exit, 0) << second.m_err;
    EXPECT_NE(second.m_err.find("Files deleted (from src/from target): 0 / 0"), std::string::npos)
        << second.m_err;
    EXPECT_NE(Listing(source), before);
    EXPECT_NE(Listing(source).find("later.txt 5 "), std::string::npos);
    EXPECT_EQ(Listing(Extract(image, "rock")), Listing(source));
}

// An address is no folder: a recorder that is not there fails the target under the error
// policy, and nothing named after the address is created anywhere.
TEST_F(RunDiscTest, AMissingRecorderFailsTheTargetWithoutMakingFolders) {
    const fs::path source = MixedSource();
    Json task = DiscTask(7, source, "stdio:" + (m_home.Root() / "gone" / "d.iso").string() + "/B");
    task["m_dwOptions3"] = kBackupNoDisk | 0x40;  // "Create target directory if not exists"
    const std::string list = MakeList({task});
    const bool strayBefore = fs::exists("stdio:");
    const CRun run = Mirrant({"/F:" + list, "7"});
    EXPECT_NE(run.m_exit, 0) << run.m_err;
    EXPECT_NE(Log(7).find("no disc recorder"), std::string::npos) << Log(7);
    EXPECT_EQ(fs::exists("stdio:"), strayBefore);
    EXPECT_FALSE(fs::exists(m_home.Root() / "gone"));
}

// With "Work as ordinary disk drive" the address is a path like any other, written nowhere.
TEST_F(RunDiscTest, WorkingAsOrdinaryDiskBurnsNothing) {
    const fs::path source = MixedSource();
    const fs::path image = Dir("out") / "disc.iso";
    Json task = DiscTask(8, source, "stdio:" + image.string());
    task["m_dwOptions3"] = kBackupNoDisk | 0x800;
    const CRun run = Mirrant({"/F:" + MakeList({task}), "8"});
    EXPECT_EQ(run.m_err.find("Burning"), std::string::npos) << run.m_err;
    EXPECT_FALSE(fs::exists(image));
}

class RunDiscRemoteTest : public RemoteRunTest {};

// A remote source reaches the image through copies in a folder of the run's own, which stay
// until the burn has read them and go afterwards.
TEST_F(RunDiscRemoteTest, AnFtpSourceIsBurntFromCopiesThatGoOnceTheBurnIsOver) {
    if (Silent("command -v xorriso") != 0) {
        GTEST_SKIP() << "xorriso is needed";
    }
    const fs::path served = Dir("served");
    tvtest::CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), {},
                              tvtest::FtpTls::None);
    fs::create_directories(served / "data" / "sub" / "deeper");
    WriteFile(served / "data" / "a.txt", "alpha\r\n");
    WriteFile(served / "data" / "sub" / "deeper" / "b.bin", std::string("\0\r\n\xff", 4));
    const fs::path image = Dir("out") / "disc.iso";
    Json task = RemoteTask(9, FtpSite(server.Port(), 0, "/data"),
                           {{"m_strPath", "stdio:" + image.string() + "/B"}});
    task["m_dwOptions3"] = kBackupNoDisk;
    const CRun run = Mirrant({"/F:" + MakeList({task}), "9"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err << Log(9);
    const fs::path read = m_home.Root() / "read";
    ASSERT_EQ(Silent("xorriso -osirrox on -indev '" + image.string() + "' -extract / '" +
                     read.string() + "'"),
              0);
    EXPECT_EQ(Listing(read / "B"), Listing(served / "data"));
    const fs::path temp = m_home.DataHome() / "Twinvale" / "Temp";
    EXPECT_TRUE(!fs::exists(temp) || fs::is_empty(temp));
}

}  // namespace

}  // namespace runtest
