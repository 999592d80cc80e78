// What a run deletes or overwrites is kept where the profile says: in the desktop's trash,
// restorable the way the desktop restores, or in the versions folder of the side's root, which
// no run ever carries to the other side and which loses its run folders after their days.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>

#include "e2e/RemoteRunSupport.h"
#include "platform/FtpServer.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int kMirror = 0x21 | 0x8;  // target update deleting what the source lacks
constexpr int kTwoWay = 0x20;        // synchronize folders, with subfolders
const std::string kVersions = ".twinvale-versions";

void Put(const fs::path& file, const std::string& text, int ageHours = 0) {
    fs::create_directories(file.parent_path());
    WriteFile(file, text);
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(ageHours));
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The value of `key` in a .trashinfo, with its %XX escapes undone.
std::string InfoValue(const std::string& info, const std::string& key) {
    const size_t at = info.find("\n" + key + "=");
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + key.size() + 2;
    const std::string raw = info.substr(start, info.find('\n', start) - start);
    std::string decoded;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size()) {
            decoded += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += raw[i];
        }
    }
    return decoded;
}

std::string RunFolderName(std::time_t when) {
    char name[32];
    std::tm local{};
    localtime_r(&when, &local);
    std::strftime(name, sizeof name, "%Y-%m-%d_%H-%M-%S", &local);
    return name;
}

class RunKeepFilesTest : public RemoteRunTest {
  protected:
    void Keep(const std::string& mode, int days = 30) {
        Put(m_home.ConfigHome() / "Orbelin" / "Mirrant.conf",
            "[Settings]\nKeepFiles=" + mode + "\nKeepDays=" + std::to_string(days) + "\n");
    }
    // A mirror whose run replaces "report.txt" and deletes "old notes 100%.txt" on the target.
    std::string MirrorWithOneReplaceAndOneDelete(const fs::path& source, const fs::path& target) {
        Put(source / "docs" / "report.txt", "new report", 0);
        Put(target / "docs" / "report.txt", "old report", 5);
        Put(target / "old notes 100%.txt", "notes");
        Json task = Task(1, source, {target});
        task["m_dwOptions"] = kMirror;
        return MakeList({task});
    }
    fs::path Trash() const { return m_home.DataHome() / "Trash"; }
};

TEST_F(RunKeepFilesTest, TrashTakesReplacedAndDeletedFilesAndTheyComeBackByMovingThem) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const std::string list = MirrorWithOneReplaceAndOneDelete(source, target);
    Keep("1");
    // A trash that already holds a file of one of the names: the new one takes another name.
    Put(Trash() / "info" / "report.txt.trashinfo", "[Trash Info]\nPath=/elsewhere\n");
    Put(Trash() / "files" / "report.txt", "someone else's");

    const CRun run = Mirrant({"/F:" + list, "1", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_EQ(ReadFile(target / "docs" / "report.txt"), "new report");
    EXPECT_FALSE(fs::exists(target / "old notes 100%.txt"));
    EXPECT_EQ(ReadFile(Trash() / "files" / "report.txt"), "someone else's");

    const std::regex date(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");
    const struct {
        std::string m_trashed;
        fs::path m_original;
        std::string m_content;
    } expected[] = {{"report.txt.2", target / "docs" / "report.txt", "old report"},
                    {"old notes 100%.txt", target / "old notes 100%.txt", "notes"}};
    for (const auto& file : expected) {
        SCOPED_TRACE(file.m_trashed);
        const std::string info = ReadFile(Trash() / "info" / (file.m_trashed + ".trashinfo"));
        EXPECT_EQ(info.rfind("[Trash Info]\n", 0), 0u) << info;
        EXPECT_FALSE(Has(info, "Path=" + target.string() + "/old ")) << "not encoded: " << info;
        EXPECT_EQ(InfoValue(info, "Path"), file.m_original.string());
        EXPECT_TRUE(std::regex_match(InfoValue(info, "DeletionDate"), date)) << info;
        EXPECT_EQ(ReadFile(Trash() / "files" / file.m_trashed), file.m_content);
    }
    // The desktop restores by moving the file back to the path its info names.
    const std::string info = ReadFile(Trash() / "info" / "old notes 100%.txt.trashinfo");
    fs::rename(Trash() / "files" / "old notes 100%.txt", InfoValue(info, "Path"));
    EXPECT_EQ(ReadFile(target / "old notes 100%.txt"), "notes");

    const std::string log = Log(1);
    EXPECT_TRUE(Has(log, "Replaced and deleted files were kept in:")) << log;
    EXPECT_TRUE(Has(log, Trash().string())) << log;
    EXPECT_TRUE(Has(run.m_err, "Kept in: " + Trash().string())) << run.m_err;
}

TEST_F(RunKeepFilesTest, ATrashThatCannotBeMadeFallsBackToTheVersionsFolder) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const std::string list = MirrorWithOneReplaceAndOneDelete(source, target);
    Keep("1");
    Put(Trash(), "a file where the trash folder should be");

    ASSERT_EQ(Mirrant({"/F:" + list, "1", "/S"}).m_exit, 0);
    EXPECT_EQ(ReadFile(target / "docs" / "report.txt"), "new report");
    ASSERT_TRUE(fs::is_directory(target / kVersions));
    const fs::path run = fs::directory_iterator(target / kVersions)->path();
    EXPECT_EQ(ReadFile(run / "docs" / "report.txt"), "old report");
    EXPECT_EQ(ReadFile(run / "old notes 100%.txt"), "notes");
    const std::string log = Log(1);
    EXPECT_TRUE(Has(log, run.string() + " (the trash could not take them:")) << log;
}

TEST_F(RunKeepFilesTest, VersionsFolderIsNeverSyncedAndLosesRunsPastTheirDays) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    Put(source / "shared.txt", "source edit", 0);
    Put(target / "shared.txt", "target original", 5);
    // Run folders of earlier runs: one past its days, one within them, and a stranger.
    const std::time_t now = std::time(nullptr);
    const fs::path expired = target / kVersions / RunFolderName(now - 40 * 86400);
    const fs::path recent = target / kVersions / RunFolderName(now - 20 * 86400);
    Put(expired / "deep" / "x.txt", "expired");
    Put(recent / "y.txt", "recent");
    Put(target / kVersions / "notes", "not a run folder");
    Put(source / kVersions / "sub" / "z.txt", "the source's own history");
    Keep("2", 30);
    Json task = Task(2, source, {target});
    task["m_dwOptions"] = kTwoWay;
    const std::string list = MakeList({task});

    // A dry run changes nothing, the history past its days included.
    ASSERT_EQ(Mirrant({"/F:" + list, "2", "--dry-run"}).m_exit, 0);
    EXPECT_EQ(ReadFile(expired / "deep" / "x.txt"), "expired");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const CRun done = Mirrant({"/F:" + list, "2", "/S"});
        ASSERT_EQ(done.m_exit, 0) << done.m_err;
        // The log says where the first run kept the replaced file; the second one kept none.
        EXPECT_EQ(Has(Log(2), "Replaced and deleted files were kept in:"), run == 0) << Log(2);
        EXPECT_EQ(ReadFile(target / "shared.txt"), "source edit");
        EXPECT_FALSE(fs::exists(source / kVersions / "notes"));
        EXPECT_FALSE(fs::exists(target / kVersions / "sub"));
        EXPECT_FALSE(fs::exists(expired));
        EXPECT_EQ(ReadFile(recent / "y.txt"), "recent");
        EXPECT_EQ(ReadFile(target / kVersions / "notes"), "not a run folder");
        EXPECT_EQ(ReadFile(source / kVersions / "sub" / "z.txt"), "the source's own history");
    }
    int kept = 0;
    for (const auto& run : fs::directory_iterator(target / kVersions)) {
        if (fs::exists(run.path() / "shared.txt")) {
            EXPECT_EQ(ReadFile(run.path() / "shared.txt"), "target original");
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
}

// A site renames only the uploads it completes: it keeps nothing, says so, and deletes and
// replaces as it always did.
TEST_F(RunKeepFilesTest, ARemoteSideSaysItCannotKeepAndDeletesAsBefore) {
    const fs::path served = Dir("served");
    tvtest::CFtpServer server(served.string(), (m_home.Root() / "ftpd.log").string(), {},
                              tvtest::FtpTls::None);
    const fs::path source = Dir("src");
    const fs::path site = served / "up";
    Put(source / "docs" / "report.txt", "new report", 0);
    Put(site / "docs" / "report.txt", "old report", 5);
    Put(site / "gone.txt", "gone");
    Json task = RemoteTask(3, Local(source), FtpSite(server.Port(), 0, "/up"), kMirror);
    const std::string list = MakeList({task});
    Keep("2");

    const CRun run = Mirrant({"/F:" + list, "3", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err << Log(3);
    EXPECT_EQ(ReadFile(site / "docs" / "report.txt"), "new report");
    EXPECT_FALSE(fs::exists(site / "gone.txt"));
    EXPECT_FALSE(fs::exists(site / kVersions));
    EXPECT_TRUE(Has(Log(3), "cannot keep replaced and deleted files: they were deleted there"))
        << Log(3);
}

TEST_F(RunKeepFilesTest, ByDefaultDeletedAndReplacedFilesAreGone) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const std::string list = MirrorWithOneReplaceAndOneDelete(source, target);

    ASSERT_EQ(Mirrant({"/F:" + list, "1", "/S"}).m_exit, 0);
    EXPECT_EQ(ReadFile(target / "docs" / "report.txt"), "new report");
    EXPECT_FALSE(fs::exists(target / "old notes 100%.txt"));
    EXPECT_FALSE(fs::exists(Trash()));
    EXPECT_FALSE(fs::exists(target / kVersions));
    EXPECT_FALSE(Has(Log(1), "kept in")) << Log(1);
}

}  // namespace

}  // namespace runtest
