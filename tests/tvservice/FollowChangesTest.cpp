#include <signal.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/FileSystem.h"
#include "platform/TempFile.h"
#include "task/Element.h"
#include "task/TaskList.h"
#include "tvservice/ServiceSupport.h"

namespace livetest {

namespace {

ino_t InodeOf(const fs::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

void Append(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::app) << text;
}

bool HasTempFile(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (tv::IsTempFileName(entry.path().filename().string())) {
            return true;
        }
    }
    return false;
}

// The task file the service layer leaves: task 7 leaves out "*.tmp" and logs to `logFolder`.
void WriteTaskFile(const fs::path& stateHome, const fs::path& logFolder) {
    const fs::path path = stateHome / "Twinvale/services/TwinvaleRealTask_7/task.tsl";
    fs::create_directories(path.parent_path());
    tv::CTaskList list;
    auto task = std::make_unique<tv::CElement>();
    task->m_nTaskId = 7;
    task->m_dwOptions |= static_cast<uint32_t>(tv::TaskKind::Realtime) << tv::opt1::kKindShift;
    task->m_dwOptions2 |= tv::opt2::kExcludeMasks;
    task->m_strExcludeMasks = "*.tmp";
    task->m_dwOptions4 |= tv::opt4::kAltLogDir;
    task->m_strAltLogDir = logFolder.string();
    task->m_Source.m_strPath = "/elsewhere";  // the command line rules
    list.m_Tasks.push_back(std::move(task));
    list.m_strPath = path.string();
    ASSERT_TRUE(list.SaveFile(tv::LocalFileSystem(), path.string()));
}

TEST_F(LiveTest, BadArgumentsGiveTheUsageAndExitCodeTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {kName, "/tmp"}, {kName, "", "/tmp"}}) {
        CService service(args, m_home.Root() / "stderr");
        EXPECT_EQ(service.Wait(5s), 2);
        EXPECT_NE(tvtest::ReadFile(m_home.Root() / "stderr").find("usage: tvservice"),
                  std::string::npos);
    }
}

// One target beside the source and one inside it: each kind of change reaches both, a rename
// stays a rename, the task's filter holds, and the target inside never feeds itself.
TEST_F(LiveTest, EveryKindOfChangeReachesEveryTarget) {
    const fs::path source = Dir("src");
    const fs::path outside = Dir("dst");
    const fs::path inside = source / "mirror";
    fs::create_directories(inside);
    const fs::path logFolder = Dir("logs");
    WriteTaskFile(m_home.StateHome(), logFolder);
    m_logPath = logFolder / (std::string(kName) + ".log");
    const auto skip = [](const std::string& path) {
        return path == "mirror" || path.starts_with("mirror/") || path.ends_with(".tmp");
    };
    const auto converges = [&] { ExpectConverges(source, {outside, inside}, 5s, skip); };
    auto service = Start(source, {outside, inside});

    tvtest::WriteFile(source / "a.txt", "one");
    converges();
    Append(source / "a.txt", " two");
    converges();
    EXPECT_EQ(tvtest::ReadFile(outside / "a.txt"), "one two");

    const ino_t before = InodeOf(outside / "a.txt");
    fs::rename(source / "a.txt", source / "b.txt");
    converges();
    EXPECT_EQ(InodeOf(outside / "b.txt"), before) << "copied anew instead of renamed";

    // Filled before the service could have watched the new folders.
    fs::create_directories(source / "n/o/p");
    for (const char* file : {"n/1", "n/o/2", "n/o/p/3"}) {
        tvtest::WriteFile(source / file, file);
    }
    tvtest::WriteFile(source / "n/o/p/skip.tmp", "filtered");
    converges();
    EXPECT_FALSE(fs::exists(outside / "n/o/p/skip.tmp"));

    const ino_t folder = InodeOf(outside / "n/o");
    fs::rename(source / "n/o", source / "moved");
    converges();
    EXPECT_EQ(InodeOf(outside / "moved"), folder);

    fs::remove(source / "b.txt");
    fs::remove_all(source / "moved");
    converges();
    EXPECT_TRUE(fs::exists(outside / "n/1"));
    EXPECT_FALSE(fs::exists(inside / "mirror"));

    // Quiet now: nothing is copied again and again.
    const std::string settled = tvtest::ReadFile(m_logPath);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(tvtest::ReadFile(m_logPath), settled);
    EXPECT_LT(std::count(settled.begin(), settled.end(), '\n'), 60) << settled;
    EXPECT_EQ(service->Stop(SIGTERM, 5s), 0);
}

// A folder moved out of the source and made again at once under its name: the targets drop
// what the old one held and follow what is put into the new one.
TEST_F(LiveTest, AFolderMadeAgainUnderItsOldNameIsFollowedAfresh) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    const fs::path away = Dir("away");
    auto service = Start(source, {target});
    fs::create_directories(source / "p/s");
    tvtest::WriteFile(source / "p/old", "old");
    tvtest::WriteFile(source / "p/s/older", "older");
    ExpectConverges(source, {target}, 5s);

    for (int round = 0; round < 3; ++round) {
        const std::string name = "new" + std::to_string(round);
        fs::rename(source / "p", away / name);
        fs::create_directory(source / "p");
        // Written only once the move can no longer be paired with anything.
        std::this_thread::sleep_for(200ms);
        tvtest::WriteFile(source / "p" / name, name);
        ExpectConverges(source, {target}, 5s);
    }
    EXPECT_EQ(service->Stop(SIGTERM, 5s), 0);
}

// The kernel's queue overflows while the service is held; what was lost is found by a full
// synchronization, deletions included.
TEST_F(LiveTest, ChangesLostInAFullQueueAreMadeGood) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    auto service = Start(source, {target});
    for (int i = 0; i < 50; ++i) {
        tvtest::WriteFile(source / ("old" + std::to_string(i)), "old");
    }
    ExpectConverges(source, {target}, 10s);

    kill(service->Pid(), SIGSTOP);
    for (int i = 0; i < 50; ++i) {
        fs::remove(source / ("old" + std::to_string(i)));
    }
    // Each new file costs three events, far more than the kernel keeps for a reader.
    for (int i = 0; i < 8000; ++i) {
        tvtest::WriteFile(source / ("new" + std::to_string(i)), std::to_string(i));
    }
    fs::create_directories(source / "d/e");
    tvtest::WriteFile(source / "d/e/f", "deep");
    kill(service->Pid(), SIGCONT);
    ExpectConverges(source, {target}, 60s);
    EXPECT_NE(Log().find("faster than they could be followed"), std::string::npos);
    EXPECT_EQ(service->Stop(SIGTERM, 5s), 0);
}

// SIGTERM in the middle of a large copy: the service ends within seconds, the temporary file
// is gone and the target keeps its old content.
TEST_F(LiveTest, StopInALargeCopyLeavesTheOldFile) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    tvtest::WriteFile(target / "big.bin", "old content");
    auto service = Start(source, {target});
    tvtest::WriteFile(source / "big.bin", "head");
    fs::resize_file(source / "big.bin", 3ull << 30);

    ASSERT_TRUE(WaitUntil([&] { return HasTempFile(target); }, 10s, 1ms));
    const auto stopped = std::chrono::steady_clock::now();
    EXPECT_EQ(service->Stop(SIGTERM, 5s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 3s);
    EXPECT_FALSE(HasTempFile(target));
    EXPECT_EQ(tvtest::ReadFile(target / "big.bin"), "old content");
    EXPECT_NE(Log().find("stopped"), std::string::npos);
}

}  // namespace

}  // namespace livetest
