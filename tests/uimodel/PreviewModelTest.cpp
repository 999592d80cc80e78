// The preview's lists over real planned trees, and its exclusions carried through the pass.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <map>
#include <memory>

#include "base/StringTable.h"
#include "scan/TreeF.h"
#include "support/TestEnv.h"
#include "sync/PassTestSupport.h"
#include "uimodel/PreviewModel.h"
#include "uimodel/RunWindowStrings.h"

namespace {

namespace fs = std::filesystem;
using tv::PreviewList;

constexpr int64_t kLongAgo = 1'600'000'000;

void Write(const fs::path& path, const std::string& content, int64_t when = 0) {
    fs::create_directories(path.parent_path());
    tvtest::WriteFile(path, content);
    if (when != 0) {
        const timespec times[2] = {{when, 0}, {when, 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

std::vector<std::string> Rows(const tv::CPreviewModel& model, PreviewList list) {
    std::vector<std::string> rows;
    for (int row = 0; row < model.RowCount(list); ++row) {
        rows.push_back(model.Row(list, row));
    }
    return rows;
}

// Excludes the rows of `list` that show `paths`, whatever order the folders were listed in.
void Exclude(tv::CPreviewModel& model, PreviewList list, const std::vector<std::string>& paths) {
    std::vector<int> rows;
    for (int row = 0; row < model.RowCount(list); ++row) {
        if (std::find(paths.begin(), paths.end(), model.Row(list, row)) != paths.end()) {
            rows.push_back(row);
        }
    }
    ASSERT_EQ(rows.size(), paths.size());
    model.Toggle(list, rows);
}

tv::CFileDoInfo Record(const std::string& name, tv::Side side, tv::FileAction action,
                       bool selected = true) {
    tv::CFileDoInfo record(name, 10, side, 0, 0, 0, selected, false, action);
    return record;
}

TEST(GroupThousands, GroupsInThreesFromTheRight) {
    EXPECT_EQ(tv::GroupThousands(0), "0");
    EXPECT_EQ(tv::GroupThousands(999), "999");
    EXPECT_EQ(tv::GroupThousands(1000), "1,000");
    EXPECT_EQ(tv::GroupThousands(1234567), "1,234,567");
    EXPECT_EQ(tv::GroupThousands(UINT64_MAX), "18,446,744,073,709,551,615");
}

class PreviewModel : public ::testing::Test {
  protected:
    void SetUp() override {
        tv::AddRunWindowStrings();
        fs::create_directories(m_src);
        fs::create_directories(m_dst);
    }

    tvtest::CSyncRun& Plan(tv::RunKind kind, uint32_t options3 = 0, tv::CLastSync lastSync = {}) {
        m_run = std::make_unique<tvtest::CSyncRun>(m_src, m_dst, kind);
        m_run->task.m_dwOptions3 |= options3;
        EXPECT_TRUE(m_run->Plan(lastSync));
        return *m_run;
    }

    tv::CPreviewModel Model() {
        tv::CPreviewRequest request;
        request.m_strCaption = "Task: 7  src --> dst";
        return tv::CPreviewModel(m_run->task, m_run->sourceTree, m_run->bytes, request);
    }

    tvtest::CTempDir m_dir;
    fs::path m_src = m_dir / "src";
    fs::path m_dst = m_dir / "dst";
    std::unique_ptr<tvtest::CSyncRun> m_run;
};

TEST_F(PreviewModel, ReplaceKeepsTheTargetOnlyFilesExcludedFromDeletion) {
    Write(m_src / "same.txt", "same", kLongAgo);
    Write(m_dst / "same.txt", "same", kLongAgo);
    Write(m_dst / "old1.txt", std::string(1200, 'x'));
    Write(m_dst / "old2.txt", std::string(34, 'x'));
    // A folder only the target has, which the pass would otherwise remove as a whole.
    Write(m_dst / "dir" / "inner1.txt", std::string(10, 'x'));
    Write(m_dst / "dir" / "inner2.txt", std::string(10, 'x'));
    Write(m_dst / "dir" / "sub" / "deep.txt", std::string(10, 'x'));
    Plan(tv::RunKind::Replace);
    tv::CPreviewModel model = Model();
    std::vector<std::string> rows = Rows(model, PreviewList::DeleteInTarget);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"dir/inner1.txt", "dir/inner2.txt",
                                              "dir/sub/deep.txt", "old1.txt", "old2.txt"}));
    EXPECT_EQ(model.TotalText(PreviewList::DeleteInTarget),
              "Will be &deleted in target: 1,264 byte");
    EXPECT_EQ(model.TotalText(PreviewList::CopyFromSource), "Will be copied from &source: 0 byte");

    Exclude(model, PreviewList::DeleteInTarget, {"old2.txt", "dir/inner1.txt"});
    model.Apply();
    ASSERT_TRUE(m_run->Pass());
    EXPECT_FALSE(fs::exists(m_dst / "old1.txt"));
    EXPECT_TRUE(fs::exists(m_dst / "old2.txt"));
    EXPECT_TRUE(fs::exists(m_dst / "dir" / "inner1.txt"));
    EXPECT_FALSE(fs::exists(m_dst / "dir" / "inner2.txt"));
    EXPECT_FALSE(fs::exists(m_dst / "dir" / "sub")) << "a folder without exclusions still goes";
    EXPECT_TRUE(fs::exists(m_src / "same.txt"));
}

TEST_F(PreviewModel, ExcludedSourceDeletionsAreHonoured) {
    const int64_t now = tv::CurrentTaskTime();
    Write(m_src / "gone1.txt", "1", kLongAgo);
    Write(m_src / "gone2.txt", "2", kLongAgo);
    Write(m_src / "olddir" / "x.txt", "x", kLongAgo);
    Write(m_src / "olddir" / "y.txt", "y", kLongAgo);
    const tv::FileTime later = tv::FileTimeFromUnix(now + 3600);
    Plan(tv::RunKind::Synchronize, tv::opt3::kDeleteNewBeforeLastSync, {later, later});
    tv::CPreviewModel model = Model();
    ASSERT_EQ(model.RowCount(PreviewList::DeleteInSource), 4);
    Exclude(model, PreviewList::DeleteInSource, {"gone1.txt", "olddir/x.txt"});
    model.Apply();
    ASSERT_TRUE(m_run->Pass());
    EXPECT_TRUE(fs::exists(m_src / "gone1.txt"));
    EXPECT_FALSE(fs::exists(m_src / "gone2.txt"));
    EXPECT_TRUE(fs::exists(m_src / "olddir" / "x.txt"));
    EXPECT_FALSE(fs::exists(m_src / "olddir" / "y.txt"));
}

TEST_F(PreviewModel, ExcludedCopiesAreNotMadeInEitherDirection) {
    Write(m_src / "a.txt", "a");
    Write(m_src / "c.txt", "c");
    Write(m_dst / "b.txt", "b");
    Write(m_dst / "d.txt", "d");
    Plan(tv::RunKind::Synchronize);
    tv::CPreviewModel model = Model();
    EXPECT_EQ(model.RowCount(PreviewList::CopyFromSource), 2);
    EXPECT_EQ(model.RowCount(PreviewList::CopyFromTarget), 2);
    Exclude(model, PreviewList::CopyFromSource, {"a.txt"});
    Exclude(model, PreviewList::CopyFromTarget, {"b.txt"});
    model.Apply();
    ASSERT_TRUE(m_run->Pass());
    EXPECT_FALSE(fs::exists(m_dst / "a.txt"));
    EXPECT_TRUE(fs::exists(m_dst / "c.txt"));
    EXPECT_FALSE(fs::exists(m_src / "b.txt"));
    EXPECT_TRUE(fs::exists(m_src / "d.txt"));
}

// Each row carries the reason of its action, in the words the dry run prints.
TEST_F(PreviewModel, EveryRowSaysWhyItsActionWasPlanned) {
    Write(m_src / "newer.txt", "new source", kLongAgo + 34);
    Write(m_dst / "newer.txt", "old", kLongAgo);
    Write(m_src / "back.txt", "aa", kLongAgo);
    Write(m_dst / "back.txt", "bbb", kLongAgo + 3);
    Write(m_src / "only.txt", "o");
    Plan(tv::RunKind::Synchronize);
    tv::CPreviewModel model = Model();
    std::map<std::string, std::string> reasons;
    for (PreviewList list : {PreviewList::CopyFromSource, PreviewList::CopyFromTarget}) {
        for (int row = 0; row < model.RowCount(list); ++row) {
            reasons[model.Row(list, row)] = model.Reason(list, row);
        }
    }
    EXPECT_EQ(reasons["newer.txt"], "copy to target: newer in source by 34 s");
    EXPECT_EQ(reasons["back.txt"], "copy to source: newer in target by 3 s");
    EXPECT_EQ(reasons["only.txt"], "copy to target: only in source");
}

TEST(PreviewLists, FollowTheTreeOwnFilesFirstAndToggleBackAndForth) {
    tv::AddRunWindowStrings();
    tv::CElement task;
    tvtest::BeginRun(task.m_Run, tv::RunKind::Synchronize);
    tv::CTreeF root;
    root.files.push_back(Record("r1", tv::Side::Source, tv::ACTION_COPY));
    root.files.push_back(Record("held", tv::Side::Source, tv::ACTION_COPY, false));
    root.files.push_back(Record("same", tv::Side::Source, tv::ACTION_NONE));
    root.files.push_back(Record("t1", tv::Side::Target, tv::ACTION_DELETE));
    auto sub = std::make_unique<tv::CTreeF>();
    sub->name = "s";
    sub->files.push_back(Record("x", tv::Side::Source, tv::ACTION_COPY_ATTRIBUTES));
    root.subfolders.push_back(std::move(sub));
    root.files.push_back(Record("r2", tv::Side::Source, tv::ACTION_COPY));
    tv::CPlanBytes bytes;
    bytes.m_copyFromSource = 1234567;
    tv::CPreviewModel model(task, root, bytes, {});
    EXPECT_EQ(Rows(model, PreviewList::CopyFromSource),
              (std::vector<std::string>{"r1", "r2", "s/x"}));
    EXPECT_EQ(Rows(model, PreviewList::DeleteInTarget), std::vector<std::string>{"t1"});
    EXPECT_EQ(model.TotalText(PreviewList::CopyFromSource),
              "Will be copied from &source: 1,234,567 byte");

    model.Toggle(PreviewList::CopyFromSource, {0});
    model.Toggle(PreviewList::CopyFromSource, {0, 2, 2});
    EXPECT_FALSE(model.IsExcluded(PreviewList::CopyFromSource, 0));
    EXPECT_FALSE(model.IsExcluded(PreviewList::CopyFromSource, 1));
    EXPECT_TRUE(model.IsExcluded(PreviewList::CopyFromSource, 2));
    model.Toggle(PreviewList::CopyFromSource, {0, 2});
    model.Toggle(PreviewList::CopyFromSource, {0, 2});
    EXPECT_TRUE(model.IsExcluded(PreviewList::CopyFromSource, 2));
    EXPECT_FALSE(model.IsExcluded(PreviewList::CopyFromSource, 0));

    model.Toggle(PreviewList::DeleteInTarget, {0});
    model.Apply();
    EXPECT_TRUE(root.files[0].selected);
    EXPECT_FALSE(root.subfolders[0]->files[0].selected);
    EXPECT_EQ(root.files.size(), 4u) << "the target record left the tree";
}

TEST(PreviewLists, SourceDeletionAfterABackupIsOneRowThatStays) {
    tv::CElement task;
    tvtest::BeginRun(task.m_Run, tv::RunKind::UpdateTarget);
    task.m_bDeleteSourceAfterRun = 1;
    tv::CTreeF root;
    root.files.push_back(Record("a", tv::Side::Source, tv::ACTION_COPY));
    tv::CPreviewModel model(task, root, {}, {});
    EXPECT_EQ(Rows(model, PreviewList::DeleteInSource), std::vector<std::string>{"*.*"});
    model.Toggle(PreviewList::DeleteInSource, {0});
    EXPECT_FALSE(model.IsExcluded(PreviewList::DeleteInSource, 0));
    model.Apply();
    EXPECT_TRUE(root.files[0].selected);
}

}  // namespace
