#include <gtest/gtest.h>

#include "TaskFixtures.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "task/PatternFile.h"

namespace {

using tvtest::AsBytes;
using tvtest::AsText;

const std::string kVersion("\xFF\xFE\xFF\x03\x35\x00\x39\x00\x30\x00", 10);

class TaskListFormatTest : public ::testing::Test {
  protected:
    tv::CElement& Add(tv::CElement task) {
        return *m_list.m_Tasks.emplace_back(std::make_unique<tv::CElement>(std::move(task)));
    }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CTaskList m_list;
};

}  // namespace

TEST_F(TaskListFormatTest, EmptyListAndOneTaskHeader) {
    EXPECT_EQ(AsText(m_list.Store()), kVersion + std::string("\x00\x00", 2));

    tv::CElement& task = Add(tv::CElement());
    task.m_nTaskId = 5;
    const std::string bytes = AsText(m_list.Store());
    const std::string header = kVersion + std::string("\x01\x00\xFF\xFF\x00\x00\x08\x00", 8) +
                               "CElement" + std::string("\x05\x00\x00\x00", 4);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(bytes.substr(header.size() - 4), AsText(tv::StoreTaskBody(task)));
}

// "CElement" is 1, the first task 2, "CTag" 3, its targets 4 and 5; later objects refer to
// their class by number.
TEST_F(TaskListFormatTest, ObjectReferencesNumberClassesAndObjectsPerFile) {
    tv::CElement& first = Add(tv::CElement());
    tvtest::MakeFull(first, m_profile);
    Add(first).m_Targets.resize(1);
    const std::string bytes = AsText(m_list.Store());
    const std::string body = AsText(tv::StoreTaskBody(first));

    const size_t start = kVersion.size() + 2 + 14;
    // On its own a body numbers "CTag" 1, so its second target says 0x8001 instead.
    std::vector<size_t> differences;
    for (size_t i = 0; i < body.size(); ++i) {
        if (bytes[start + i] != body[i]) {
            differences.push_back(i);
        }
    }
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(bytes.substr(start + differences[0], 2), std::string("\x03\x80", 2));
    EXPECT_EQ(bytes.substr(start + body.size(), 2), std::string("\x01\x80", 2));
    const std::string tagClass = std::string("\xFF\xFF\x00\x00\x04\x00", 6) + "CTag";
    EXPECT_EQ(bytes.find(tagClass, bytes.find(tagClass) + 1), std::string::npos);

    tv::CTaskList loaded;
    ASSERT_TRUE(loaded.Load(tv::LocalFileSystem(), AsBytes(bytes), m_profile).Ok());
    EXPECT_EQ(loaded.m_Tasks.at(1)->m_Targets.size(), 1u);
}

TEST_F(TaskListFormatTest, FullyPopulatedListRoundTrips) {
    tv::CElement& full = Add(tv::CElement());
    tvtest::MakeFull(full, m_profile);
    full.m_nTaskId = 5;
    tv::CElement& odd = Add(tv::CElement());
    odd.m_nTaskId = 6;
    odd.m_strName = "bad \xC3\x28 and \xFF bytes, 日本";
    odd.m_Source.m_strPassword = "key \xF0\x9F\x94\x91 \xFE";
    ASSERT_TRUE(m_profile.WriteProfileInt("NextTags", "5", 1));

    tv::CTaskList loaded;
    const tv::CListLoadResult result =
        loaded.Load(tv::LocalFileSystem(), m_list.Store(), m_profile);
    ASSERT_TRUE(result.Ok()) << result.m_strError;
    ASSERT_EQ(loaded.m_Tasks.size(), 2u);
    EXPECT_TRUE(tv::EqualFields(*loaded.m_Tasks[0], full));
    EXPECT_TRUE(tv::EqualFields(*loaded.m_Tasks[1], odd));
    EXPECT_EQ(loaded.m_nHighestId, 6);
    EXPECT_FALSE(loaded.m_bChanged);
}

TEST_F(TaskListFormatTest, StoreSetsTheTurnBitAssignsIdsAndCodesPasswords) {
    tv::CElement& inTurn = Add(tv::CElement());
    inTurn.m_nTaskId = 4;
    inTurn.m_bTargetsInTurn = 1;
    tv::CElement& fresh = Add(tv::CElement());
    fresh.m_dwOptions2 = tv::opt2::kTargetsInTurn | tv::opt2::kSilent;
    fresh.m_Source.m_strPassword = "abc";
    fresh.m_Source.m_strProxyPassword = "xyz";
    fresh.m_Source.m_bOwnConnectSettings = 5;
    m_list.m_nHighestId = 40;

    const std::string bytes = AsText(m_list.Store());
    EXPECT_EQ(inTurn.m_dwOptions2, tv::opt2::kTargetsInTurn);
    EXPECT_EQ(fresh.m_dwOptions2, tv::opt2::kSilent);
    EXPECT_EQ(fresh.m_nTaskId, 41);
    EXPECT_EQ(m_list.m_nHighestId, 41);
    // Each code unit of the password is XOR-ed with 3; the proxy password is stored plain.
    EXPECT_NE(bytes.find(std::string("\xFF\xFE\xFF\x03\x62\x00\x61\x00\x60\x00", 10)),
              std::string::npos);
    EXPECT_NE(bytes.find(std::string("\xFF\xFE\xFF\x03x\x00y\x00z\x00", 10)), std::string::npos);

    tv::CTaskList loaded;
    ASSERT_TRUE(loaded.Load(tv::LocalFileSystem(), AsBytes(bytes), m_profile).Ok());
    EXPECT_EQ(loaded.m_Tasks[0]->m_bTargetsInTurn, 1);
    EXPECT_EQ(loaded.m_Tasks[1]->m_bTargetsInTurn, 0);
    EXPECT_EQ(loaded.m_Tasks[1]->m_Source.m_strPassword, "abc");
    EXPECT_EQ(loaded.m_Tasks[1]->m_Source.m_bOwnConnectSettings, 1);
}

TEST_F(TaskListFormatTest, PatternFileHoldsOneBodyAndCanBeCleared) {
    const std::string folder = m_home.DataHome().string();
    tv::CElement pattern;
    tvtest::MakeFull(pattern, m_profile);
    pattern.m_nNextTarget = 0;  // the rotation lives in the profile, not in the body
    ASSERT_TRUE(tv::SavePattern(tv::LocalFileSystem(), folder, pattern));
    EXPECT_EQ(tvtest::ReadFile(m_home.DataHome() / "NewTskPattern"),
              AsText(tv::StoreTaskBody(pattern)));
    tv::CElement loaded;
    ASSERT_TRUE(tv::LoadPattern(tv::LocalFileSystem(), folder, loaded));
    EXPECT_TRUE(tv::EqualFields(loaded, pattern));

    tvtest::WriteFile(m_home.DataHome() / "NewTskPattern", "\x05\x00\x00");
    tv::CElement untouched;
    EXPECT_FALSE(tv::LoadPattern(tv::LocalFileSystem(), folder, untouched));
    EXPECT_TRUE(tv::EqualFields(untouched, tv::CElement()));
    EXPECT_TRUE(tv::ClearPattern(tv::LocalFileSystem(), folder));
    EXPECT_FALSE(tv::LoadPattern(tv::LocalFileSystem(), folder, untouched));
    EXPECT_TRUE(tv::ClearPattern(tv::LocalFileSystem(), folder));
}
