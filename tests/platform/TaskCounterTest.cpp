#include "platform/TaskCounter.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "ChildProcesses.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"

TEST(TaskCounter, DrawsFromOneAndRaisesOnlyUpwards) {
    tvtest::CIsolatedHome home;
    EXPECT_EQ(tv::TaskCounterPath(), (home.StateHome() / "Twinvale" / "ELNum").string());
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), -1);
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 1);
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 2);
    EXPECT_EQ(tvtest::ReadFile(tv::TaskCounterPath()), "2\n");

    EXPECT_TRUE(tv::RaiseTaskCounter(tv::LocalFileSystem(), 40));
    EXPECT_TRUE(tv::RaiseTaskCounter(tv::LocalFileSystem(), 7));
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 40);
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 41);
}

TEST(TaskCounter, GarbledCounterReadsAsAbsent) {
    tvtest::CIsolatedHome home;
    std::filesystem::create_directories(home.StateHome() / "Twinvale");
    for (const char* garbled : {"", "12x", "-3", "99999999999", "\xff"}) {
        tvtest::WriteFile(tv::TaskCounterPath(), garbled);
        EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), -1) << garbled;
    }
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 1);
}

TEST(TaskCounter, UnwritableCounterStillHandsOutRisingIds) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores folder permissions";
    }
    tvtest::CIsolatedHome home;
    ASSERT_TRUE(tv::WriteTaskCounter(tv::LocalFileSystem(), 5));
    chmod((home.StateHome() / "Twinvale").c_str(), 0500);
    EXPECT_FALSE(tv::WriteTaskCounter(tv::LocalFileSystem(), 6));
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 7);
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 8);
    EXPECT_FALSE(tv::RaiseTaskCounter(tv::LocalFileSystem(), 20));
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 20);

    // Once the file can be written again it catches up instead of repeating ids.
    chmod((home.StateHome() / "Twinvale").c_str(), 0700);
    EXPECT_EQ(tv::DrawNewTaskId(tv::LocalFileSystem()), 21);
    EXPECT_EQ(tvtest::ReadFile(tv::TaskCounterPath()), "21\n");
}

TEST(TaskCounter, ConcurrentProcessesNeverShareAnId) {
    tvtest::CIsolatedHome home;
    constexpr int kDraws = 200;
    ASSERT_TRUE(tvtest::RunInChildren(2, [&](int child) {
        std::ostringstream ids;
        for (int i = 0; i < kDraws; ++i) {
            ids << tv::DrawNewTaskId(tv::LocalFileSystem()) << '\n';
        }
        tvtest::WriteFile(home.Root() / ("ids" + std::to_string(child)), ids.str());
        return true;
    }));
    std::set<int> distinct;
    for (int child = 0; child < 2; ++child) {
        std::istringstream ids(tvtest::ReadFile(home.Root() / ("ids" + std::to_string(child))));
        for (int id; ids >> id;) {
            distinct.insert(id);
        }
    }
    EXPECT_EQ(distinct.size(), 2u * kDraws);
    EXPECT_EQ(*distinct.begin(), 1);
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 2 * kDraws);
}
