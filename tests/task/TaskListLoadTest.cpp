#include <gtest/gtest.h>

#include "TaskFixtures.h"
#include "base/Archive.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/TaskCounter.h"

namespace {

using Outcome = tv::CListLoadResult::Outcome;
using tvtest::AsBytes;
using tvtest::AsText;

class TaskListLoadTest : public ::testing::Test {
  protected:
    tv::CElement& Add(tv::CTaskList& list, int id) {
        auto& task = list.m_Tasks.emplace_back(std::make_unique<tv::CElement>());
        task->m_nTaskId = id;
        task->m_strName = "task " + std::to_string(id);
        return *task;
    }

    std::string ListWithIds(std::initializer_list<int> ids) {
        tv::CTaskList list;
        for (const int id : ids) {
            Add(list, id);
        }
        return AsText(list.Store());
    }

    std::string Path(const char* name) const { return (m_home.Root() / name).string(); }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
};

std::vector<int> Ids(const tv::CTaskList& list) {
    std::vector<int> ids;
    for (const auto& task : list.m_Tasks) {
        ids.push_back(task->m_nTaskId);
    }
    return ids;
}

}  // namespace

TEST_F(TaskListLoadTest, RepeatedAndNonPositiveIdsGetFreshOnes) {
    tv::CTaskList list;
    list.m_nHighestId = 2;
    ASSERT_TRUE(
        list.Load(tv::LocalFileSystem(), AsBytes(ListWithIds({5, 5, 3, 0, 6})), m_profile).Ok());
    EXPECT_EQ(Ids(list), (std::vector<int>{5, 6, 3, 7, 8}));
    EXPECT_EQ(list.m_Tasks[1]->m_strName, "task 5");
    EXPECT_TRUE(list.m_bChanged);
    EXPECT_EQ(list.m_nHighestId, 8);

    tv::CTaskList seeded;
    seeded.m_nHighestId = 100;  // the task counter
    ASSERT_TRUE(seeded.Load(tv::LocalFileSystem(), AsBytes(ListWithIds({4, 4})), m_profile).Ok());
    EXPECT_EQ(Ids(seeded), (std::vector<int>{4, 101}));

    tv::CTaskList atLimit;
    ASSERT_TRUE(
        atLimit
            .Load(tv::LocalFileSystem(), AsBytes(ListWithIds({INT32_MAX, 1, INT32_MAX})), m_profile)
            .Ok());
    EXPECT_EQ(Ids(atLimit), (std::vector<int>{INT32_MAX, 1, 2}));
}

TEST_F(TaskListLoadTest, TruncatedListKeepsTheCompleteTasks) {
    tv::CTaskList original;
    for (const int id : {3, 4, 5}) {
        tv::CElement& task = *original.m_Tasks.emplace_back(std::make_unique<tv::CElement>());
        tvtest::MakeFull(task, m_profile);
        task.m_nTaskId = id;
        task.m_nNextTarget = 0;
    }
    const std::string bytes = AsText(original.Store());
    size_t previousCount = 0;
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        tv::CTaskList list;
        const tv::CListLoadResult result =
            list.Load(tv::LocalFileSystem(), AsBytes(bytes.substr(0, cut)), m_profile);
        ASSERT_EQ(result.m_outcome, cut < 10 ? Outcome::NotAList : Outcome::Damaged) << cut;
        ASSERT_GE(list.m_Tasks.size(), previousCount) << cut;
        previousCount = list.m_Tasks.size();
        for (size_t i = 0; i < list.m_Tasks.size(); ++i) {
            ASSERT_TRUE(tv::EqualFields(*list.m_Tasks[i], *original.m_Tasks[i])) << cut;
        }
        EXPECT_EQ(list.m_strVersion, "590");
    }
    EXPECT_EQ(previousCount, 2u);
}

TEST_F(TaskListLoadTest, AbsurdCountsRunOutOfBytesNotMemory) {
    tv::CArchiveWriter huge;
    huge.WriteString("590");
    huge.WriteCount(0xFFFFFFF0);
    tv::CTaskList list;
    EXPECT_EQ(list.Load(tv::LocalFileSystem(), huge.Bytes(), m_profile).m_outcome,
              Outcome::Damaged);

    // A default task ends with its target count, its exclusion count and a 76-byte schedule.
    const std::string one = ListWithIds({1});
    for (const size_t fromEnd : {80u, 78u}) {
        std::string patched = one;
        patched.replace(patched.size() - fromEnd, 2, "\xFF\xFF\xFF\xFF\xFF\x7F");
        const tv::CListLoadResult result =
            list.Load(tv::LocalFileSystem(), AsBytes(patched), m_profile);
        EXPECT_EQ(result.m_outcome, Outcome::Damaged);
        EXPECT_FALSE(result.m_strError.empty());
        EXPECT_TRUE(list.m_Tasks.empty());
    }
}

TEST_F(TaskListLoadTest, BytesThatAreNoListLeaveTheListAlone) {
    tv::CTaskList list;
    Add(list, 8);
    for (const char* version : {"abc", "0", "-590", "1.30", "2"}) {
        tv::CArchiveWriter ar;
        ar.WriteString(version);
        ar.WriteCount(0);
        EXPECT_EQ(list.Load(tv::LocalFileSystem(), ar.Bytes(), m_profile).m_outcome,
                  Outcome::NotAList)
            << version;
    }
    EXPECT_EQ(list.Load(tv::LocalFileSystem(), {}, m_profile).m_outcome, Outcome::NotAList);
    EXPECT_EQ(Ids(list), std::vector<int>{8});

    tv::CArchiveWriter elementExpected;
    elementExpected.WriteString("590");
    elementExpected.WriteCount(1);
    elementExpected.WriteObjectHeader("CTag");
    const tv::CListLoadResult wrongClass =
        list.Load(tv::LocalFileSystem(), elementExpected.Bytes(), m_profile);
    EXPECT_EQ(wrongClass.m_outcome, Outcome::Damaged);
    EXPECT_TRUE(list.m_Tasks.empty());
}

TEST_F(TaskListLoadTest, SavingUnderANewPathRenumbersAboveTheHighestId) {
    tv::CTaskList list;
    Add(list, 5);
    Add(list, 9);
    list.m_nHighestId = 9;
    list.m_bChanged = true;
    ASSERT_TRUE(list.SaveFile(tv::LocalFileSystem(), Path("a.tsl")));
    EXPECT_EQ(Ids(list), (std::vector<int>{10, 11}));
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 11);
    EXPECT_EQ(list.m_strPath, Path("a.tsl"));
    EXPECT_FALSE(list.m_bChanged);

    ASSERT_TRUE(list.SaveFile(tv::LocalFileSystem(), Path("a.tsl")));
    EXPECT_EQ(Ids(list), (std::vector<int>{10, 11}));

    std::string error;
    EXPECT_FALSE(list.SaveFile(tv::LocalFileSystem(), Path("missing/b.tsl"), &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(Ids(list), (std::vector<int>{10, 11})) << "a failed save keeps the ids";
    EXPECT_EQ(list.m_nHighestId, 11);
    EXPECT_EQ(list.m_strPath, Path("a.tsl"));

    tv::CTaskList loaded;
    const tv::CListLoadResult result =
        loaded.LoadFile(tv::LocalFileSystem(), Path("a.tsl"), m_profile);
    ASSERT_TRUE(result.Ok()) << result.m_strError;
    EXPECT_EQ(Ids(loaded), (std::vector<int>{10, 11}));
    EXPECT_EQ(loaded.m_Tasks[1]->m_strName, "task 9");
    EXPECT_EQ(loaded.m_strPath, Path("a.tsl"));
}

TEST_F(TaskListLoadTest, LoadingFilesReportsAndRaisesTheCounter) {
    tv::CTaskList list;
    const tv::CListLoadResult missing =
        list.LoadFile(tv::LocalFileSystem(), Path("none.tsl"), m_profile);
    EXPECT_EQ(missing.m_outcome, Outcome::CannotOpen);
    EXPECT_EQ(missing.m_strError, "No such file or directory");
    EXPECT_TRUE(list.m_strPath.empty());

    tvtest::WriteFile(Path("text.tsl"), "hello");
    EXPECT_EQ(list.LoadFile(tv::LocalFileSystem(), Path("text.tsl"), m_profile).m_outcome,
              Outcome::NotAList);
    EXPECT_TRUE(list.m_strPath.empty());

    const std::string two = ListWithIds({30, 31});
    tvtest::WriteFile(Path("cut.tsl"), two.substr(0, two.size() - 1));
    const tv::CListLoadResult cut =
        list.LoadFile(tv::LocalFileSystem(), Path("cut.tsl"), m_profile);
    EXPECT_EQ(cut.m_outcome, Outcome::Damaged);
    EXPECT_EQ(Ids(list), std::vector<int>{30});
    EXPECT_EQ(list.m_strPath, Path("cut.tsl"));
    EXPECT_EQ(tv::ReadTaskCounter(tv::LocalFileSystem()), 30);
}
