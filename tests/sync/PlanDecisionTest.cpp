// The planning step on hand-built trees: what each run kind and option plans per record.
#include <gtest/gtest.h>

#include "PassTestSupport.h"
#include "platform/CaseFolding.h"
#include "support/MemoryFileSystem.h"
#include "support/TestEnv.h"

namespace {

using namespace tv;

constexpr FileTime kBase = FileTimeFromUnix(1'700'000'000);
FileTime At(int seconds) {
    return kBase + static_cast<FileTime>(seconds) * kTicksPerSecond;
}

CFileDoInfo Record(Side side, const std::string& name, uint64_t size, int written, int created) {
    return CFileDoInfo(name, size, side, At(written), At(created), 0, false, false, ACTION_NONE);
}
CFileDoInfo Src(const std::string& name, uint64_t size = 10, int written = 0, int created = 0) {
    return Record(Side::Source, name, size, written, created);
}
CFileDoInfo Tgt(const std::string& name, uint64_t size = 10, int written = 0, int created = 0) {
    return Record(Side::Target, name, size, written, created);
}

std::unique_ptr<CTreeF> Folder(const std::string& name, bool targetSide,
                               std::vector<CFileDoInfo> files) {
    auto node = std::make_unique<CTreeF>();
    node->name = name;
    (targetSide ? node->targetOnly : node->sourceOnly) = true;
    node->files = std::move(files);
    return node;
}

class Planning : public ::testing::Test {
  protected:
    void SetUp() override {
        task.m_Run.Attach(nullptr, &prompter);
        root.sourceOnly = true;
    }
    // Each plan is a run of its own.
    void Plan(RunKind kind) {
        tvtest::BeginRun(task.m_Run, kind, preferences);
        PlanSynchronization(task, root, "/s", "/t", request, bytes, run);
    }
    const CFileDoInfo* Find(const std::string& name, Side side) const {
        for (const CFileDoInfo& record : root.files) {
            if (record.name == name && record.side == side) {
                return &record;
            }
        }
        return nullptr;
    }
    // The action of a record, or -1 when the planning step dropped it.
    int Action(const std::string& name, Side side) const {
        const CFileDoInfo* record = Find(name, side);
        return record ? record->action : -1;
    }

    CElement task;
    uint32_t preferences = pref::kDefault;
    tvtest::CYesNoScript prompter;
    CTreeF root;
    tvtest::CMemoryFileSystem memFs;  // "/s" and "/t" are never read: nothing compares contents
    CPlanRequest request{memFs};
    CPlanBytes bytes;
    CRunBytes run;
};

TEST_F(Planning, TwoWayTimesDifferBeyondTwoAndAHalfSeconds) {
    root.files = {Src("three"), Src("two"), Tgt("three", 10, 3), Tgt("two", 10, 2)};
    Plan(RunKind::Synchronize);
    EXPECT_EQ(Action("three", Side::Target), ACTION_COPY);
    EXPECT_EQ(Action("three", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("two", Side::Target), -1);
    EXPECT_EQ(Action("two", Side::Source), ACTION_NONE);
    EXPECT_EQ(bytes.m_copyFromTarget, 10u);
    EXPECT_EQ(run.m_total, 10u);
}

TEST_F(Planning, TwoWaySizeCriterionLetsTheSourceWin) {
    task.m_nCompareMode = COMPARE_SIZE;
    root.files = {Src("f", 5, 0), Tgt("f", 9, 100)};
    Plan(RunKind::Synchronize);
    EXPECT_EQ(Action("f", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("f", Side::Target), -1);
    EXPECT_EQ(Find("f", Side::Source)->otherSize, 9u);
    EXPECT_TRUE(Find("f", Side::Source)->matched);
}

TEST_F(Planning, DeleteNewRemovesOneSidedFilesOlderThanTheLastSync) {
    request.m_lastSync = {At(100), At(100)};
    for (const bool option : {false, true}) {
        task.m_dwOptions3 = option ? opt3::kDeleteNewBeforeLastSync : 0;
        root.files = {Src("old", 10, 0, 0), Src("fresh", 10, 0, 200), Tgt("oldT", 7, 0, 0)};
        bytes = {};
        Plan(RunKind::Synchronize);
        EXPECT_EQ(Action("old", Side::Source), option ? ACTION_DELETE : ACTION_COPY);
        EXPECT_EQ(Action("fresh", Side::Source), ACTION_COPY);
        EXPECT_EQ(Action("oldT", Side::Target), option ? ACTION_DELETE : ACTION_COPY);
        EXPECT_EQ(bytes.m_deleteInSource, option ? 10u : 0u);
        EXPECT_EQ(bytes.m_deleteInTarget, option ? 7u : 0u);
    }
}

// The last synchronization's scan began at 100 and its pass ended at 200: content older than
// the scan was seen by it, and an item born before the pass ended (its copies) was there.
TEST_F(Planning, DeleteNewCountsWhatTheLastScanSawAndWhatItsPassMade) {
    task.m_dwOptions3 = opt3::kDeleteNewBeforeLastSync;
    request.m_lastSync = {At(100), At(200)};
    root.files = {Src("copiedThen", 10, 99, 150), Src("writtenAtScan", 10, 100, 0),
                  Src("arrivedAfter", 10, 0, 201), Tgt("bornAtEnd", 10, 0, 200)};
    auto folder = [](const std::string& name, bool target, std::vector<CFileDoInfo> files,
                     int born) {
        auto node = Folder(name, target, std::move(files));
        node->investigated = true;
        node->time = At(born);
        return node;
    };
    root.subfolders.push_back(folder("whole", false, {Src("x", 10, 0, 0)}, 150));
    root.subfolders.back()->subfolders.push_back(folder("inner", false, {Src("y")}, 150));
    root.subfolders.push_back(folder("fresh", true, {Tgt("z"), Tgt("n", 10, 150, 150)}, 0));
    root.subfolders.push_back(folder("bornLater", true, {}, 201));
    Plan(RunKind::Synchronize);
    EXPECT_EQ(Action("copiedThen", Side::Source), ACTION_DELETE);
    EXPECT_EQ(Action("writtenAtScan", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("arrivedAfter", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("bornAtEnd", Side::Target), ACTION_DELETE);
    const auto existed = [&](size_t i) { return root.subfolders[i]->existedAtLastSync; };
    EXPECT_TRUE(existed(0) && root.subfolders[0]->subfolders[0]->existedAtLastSync);
    EXPECT_FALSE(existed(1));  // a newer file inside: the folder must not go as a whole
    EXPECT_FALSE(existed(2));

    // An empty folder counts, unless the task makes no empty folders: it never made this one.
    for (const bool noEmpty : {false, true}) {
        task.m_dwOptions = noEmpty ? opt1::kNoEmptyFolders : 0;
        root.subfolders.clear();
        root.subfolders.push_back(folder("empty", false, {}, 0));
        Plan(RunKind::Synchronize);
        EXPECT_EQ(existed(0), !noEmpty);
    }
}

TEST_F(Planning, ConflictQuestionDecidesWhenBothSidesChanged) {
    preferences = pref::kDefault | pref::kConfirmConflicts;
    request.m_lastSync = {At(100), At(100)};
    for (const PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No}) {
        prompter.m_answers = {answer, answer};
        prompter.m_questions.clear();
        root.files = {Src("up", 10, 300), Src("down", 10, 200), Tgt("up", 10, 200),
                      Tgt("down", 10, 300)};
        Plan(RunKind::Synchronize);
        const bool yes = answer == PromptAnswer::Yes;
        EXPECT_EQ(Action("up", Side::Source), yes ? ACTION_COPY : ACTION_NONE);
        EXPECT_EQ(Action("down", Side::Target), yes ? ACTION_COPY : -1);
        ASSERT_EQ(prompter.m_questions.size(), 2u);
        EXPECT_NE(prompter.m_questions[0].find("Overwrite Target by Source"), std::string::npos);
        EXPECT_NE(prompter.m_questions[1].find("Overwrite Source by Target"), std::string::npos);
    }
    EXPECT_EQ(tvtest::LinesOf(task.m_Run, CTaskInfor::Errors).front(),
              "Both Source /s/up and Target /t/up were changed since the last synchronization.");
}

TEST_F(Planning, ConflictQuestionNeedsThePreferenceAWindowAndTwoChanges) {
    request.m_lastSync = {At(100), At(100)};
    root.files = {Src("a", 10, 300), Tgt("a", 10, 200)};
    Plan(RunKind::Synchronize);  // preference off
    preferences = pref::kDefault | pref::kConfirmConflicts;
    task.m_dwOptions2 |= opt2::kSilent;
    root.files = {Src("b", 10, 300), Tgt("b", 10, 200)};
    Plan(RunKind::Synchronize);  // silent
    task.m_dwOptions2 = 0;
    root.files = {Src("c", 10, 300), Tgt("c", 10, 50)};
    Plan(RunKind::Synchronize);  // only the source changed
    EXPECT_TRUE(prompter.m_questions.empty());
    EXPECT_EQ(Action("c", Side::Source), ACTION_COPY);
}

TEST_F(Planning, ReplaceDeletesTargetOnlyFilesFirstAndCopiesWhatDiffers) {
    root.files = {Src("same"), Src("older", 10, -60), Src("new", 4),
                  Tgt("same"), Tgt("older"),          Tgt("extra", 3)};
    Plan(RunKind::Replace);
    ASSERT_EQ(root.files.size(), 4u);
    EXPECT_EQ(root.files[0].name, "extra");
    EXPECT_EQ(root.files[0].action, ACTION_DELETE);
    EXPECT_EQ(Action("older", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("new", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("same", Side::Source), ACTION_NONE);
    EXPECT_EQ(bytes.m_copyFromSource, 14u);
    EXPECT_EQ(bytes.m_deleteInTarget, 3u);
    EXPECT_EQ(run.m_total, 17u);
}

TEST_F(Planning, TargetUpdateOptions) {
    task.m_dwOptions |= opt1::kOnlyIfOnTarget | opt1::kOnlyIfTargetNewer;
    root.files = {Src("lone"),  Src("newer", 10, 60), Src("older", 10, -60),
                  Tgt("newer"), Tgt("older"),         Tgt("extra")};
    Plan(RunKind::UpdateTarget);
    EXPECT_EQ(Action("lone", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("newer", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("older", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("extra", Side::Target), -1);
    task.m_dwOptions |= opt1::kDeleteFromTarget;
    root.files = {Tgt("extra")};
    Plan(RunKind::UpdateTarget);
    EXPECT_EQ(Action("extra", Side::Target), ACTION_DELETE);
}

TEST_F(Planning, RestoreAndEqualizeTimestamps) {
    root.files = {Src("lone"), Src("changed", 10, 60), Tgt("changed"), Tgt("gone")};
    Plan(RunKind::Restore);
    EXPECT_EQ(Action("lone", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("changed", Side::Target), ACTION_COPY);
    EXPECT_EQ(Action("gone", Side::Target), ACTION_COPY);

    root.files = {Src("eq", 10, 60), Src("sized", 11, 60), Tgt("eq"), Tgt("sized")};
    Plan(RunKind::EqualizeToSource);
    EXPECT_EQ(Action("eq", Side::Source), ACTION_COPY_TIMESTAMP);
    EXPECT_EQ(Action("sized", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("eq", Side::Target), -1);

    root.files = {Src("eq", 10, 60), Tgt("eq"), Tgt("gone")};
    Plan(RunKind::EqualizeToTarget);
    EXPECT_EQ(Action("eq", Side::Target), ACTION_COPY_TIMESTAMP);
    EXPECT_EQ(Action("gone", Side::Target), -1);
}

// src/sub could not be listed: nothing below it on the target may go, however deep.
TEST_F(Planning, NothingIsDeletedBelowAnIncompleteListing) {
    root.subfolders.push_back(Folder("sub", false, {}));
    root.subfolders[0]->incomplete = true;
    root.subfolders.push_back(Folder("sub", true, {Tgt("x")}));
    root.subfolders[1]->subfolders.push_back(Folder("deeper", true, {Tgt("y")}));
    root.files = {Tgt("top")};
    Plan(RunKind::Replace);
    ASSERT_EQ(root.subfolders.size(), 1u);
    const CTreeF& sub = *root.subfolders[0];
    EXPECT_TRUE(sub.incomplete);
    EXPECT_FALSE(sub.sourceOnly);
    EXPECT_TRUE(sub.files.empty());
    EXPECT_TRUE(sub.subfolders[0]->files.empty());
    EXPECT_EQ(Action("top", Side::Target), ACTION_DELETE);
    EXPECT_EQ(bytes.m_deleteInTarget, 10u);
}

TEST_F(Planning, AnIncompleteTargetListingNeitherDeletesNorOverwrites) {
    task.m_dwOptions3 = opt3::kDeleteNewBeforeLastSync;
    request.m_lastSync = {At(100), At(100)};
    root.incomplete = true;
    root.files = {Src("old"), Tgt("oldT")};
    Plan(RunKind::Synchronize);
    EXPECT_EQ(Action("old", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("oldT", Side::Target), -1);
    EXPECT_EQ(bytes.m_deleteInSource + bytes.m_deleteInTarget, 0u);
}

TEST_F(Planning, NamesMatchExactlyUnlessASideFoldsCase) {
    root.files = {Src("a"), Src("A", 10, 60), Tgt("a")};
    Plan(RunKind::Replace);
    EXPECT_EQ(Action("a", Side::Source), ACTION_NONE);
    EXPECT_EQ(Action("A", Side::Source), ACTION_COPY);

    request.m_match = NameMatch::IgnoreCase;
    root.files = {Src("README", 10, 60), Src("x"), Tgt("readme"), Tgt("X"), Tgt("x")};
    Plan(RunKind::Replace);
    EXPECT_EQ(Action("README", Side::Source), ACTION_COPY);
    EXPECT_EQ(Action("x", Side::Source), ACTION_NONE);    // the exact spelling wins
    EXPECT_EQ(Action("X", Side::Target), ACTION_DELETE);  // the other one goes
}

TEST_F(Planning, FoldersJoinTheirTwinOfTheOtherSideOnly) {
    request.m_match = NameMatch::IgnoreCase;
    root.subfolders.push_back(Folder("Dir", false, {Src("Dir")}));
    root.subfolders.push_back(Folder("dir", false, {Src("dir")}));
    root.subfolders.push_back(Folder("dir", true, {Tgt("t")}));
    Plan(RunKind::Synchronize);
    ASSERT_EQ(root.subfolders.size(), 2u);
    EXPECT_TRUE(root.subfolders[0]->sourceOnly);
    EXPECT_FALSE(root.subfolders[1]->sourceOnly);
    EXPECT_EQ(root.subfolders[1]->files.size(), 2u);
}

TEST(NameKeys, FoldCaseOfValidTextAndKeepStrayBytes) {
    EXPECT_EQ(FoldedNameKey("\xC3\x84rger.TXT"), FoldedNameKey("\xC3\xA4RGER.txt"));
    EXPECT_EQ(FoldedNameKey("A\xFF"), FoldedNameKey("a\xFF"));
    EXPECT_NE(FoldedNameKey("a\xFF"), FoldedNameKey("a\xFE"));
    EXPECT_NE(FoldedNameKey("\xC3"), FoldedNameKey("\xC3\x83"));
}

TEST(NameKeys, IndexGrowsAndHandsEachEntryOutOnce) {
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i) {
        names.push_back("n" + std::to_string(i));
    }
    names.push_back("N7");
    CNameIndex index(NameMatch::IgnoreCase);
    for (size_t i = 0; i < names.size(); ++i) {
        index.Add(names[i], i);
    }
    EXPECT_EQ(index.Take("n7"), 7u);
    EXPECT_EQ(index.Take("n7"), 100u);
    EXPECT_EQ(index.Take("n7"), CNameIndex::npos);
    EXPECT_EQ(index.Take("N99"), 99u);
    EXPECT_EQ(index.Take("n100"), CNameIndex::npos);
}

TEST(NameKeys, CaseIsIgnoredWhenASideFoldsOrAnFtpSideConvertsNames) {
    tvtest::CTempDir dir;
    EXPECT_FALSE(FoldsCase(dir.Path().string()));  // the test machine's ext4 or tmpfs
    EXPECT_FALSE(FoldsCase((dir / "not/yet/there").string()));
    CElement task;
    EXPECT_EQ(ChooseNameMatch(task, false, false, false, false), NameMatch::Exact);
    EXPECT_EQ(ChooseNameMatch(task, false, false, false, true), NameMatch::IgnoreCase);
    EXPECT_EQ(ChooseNameMatch(task, false, true, true, false), NameMatch::Exact);
    task.m_dwOptions2 |= opt2::kFtpLowerCase;
    EXPECT_EQ(ChooseNameMatch(task, false, true, false, false), NameMatch::IgnoreCase);
}

}  // namespace
