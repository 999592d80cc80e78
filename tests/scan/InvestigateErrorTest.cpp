// Folders that cannot be listed, the error policy, and how the two sides run together.
#include <atomic>
#include <cerrno>
#include <thread>

#include <gtest/gtest.h>

#include "ScanTestSupport.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using tv::ErrorPolicy;
using tv::PromptAnswer;
using tvtest::CFaultyFileSystem;
using tvtest::CScanRun;
using tvtest::FindFile;
using tvtest::FindFolder;

// src/{a,bad,z} with one file each; bad is the folder the tests break.
class InvestigateErrors : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a", "bad", "z"}) {
            fs::create_directories(m_dir / "src" / name);
            tvtest::WriteFile(m_dir / "src" / name / "f", "");
        }
        m_bad = (m_dir / "src/bad").string();
    }
    const tv::CTreeF* Bad(const CScanRun& run) { return FindFolder(run.sourceTree, "bad"); }
    std::string Question() const { return "Error while investigating dir " + m_bad; }

    tvtest::CTempDir m_dir;
    std::string m_bad;
    CFaultyFileSystem m_fs;
};

TEST_F(InvestigateErrors, TheErrorPolicyDecidesAboutAFolderThatCannotBeListed) {
    struct {
        ErrorPolicy policy;
        PromptAnswer answer;
        bool deleteFromTarget;
        bool ok;
        size_t questions;
    } const cases[] = {
        {ErrorPolicy::Ask, PromptAnswer::Abort, false, false, 1},
        {ErrorPolicy::Ask, PromptAnswer::Ignore, false, true, 1},
        {ErrorPolicy::Continue, PromptAnswer::Abort, false, true, 0},
        {ErrorPolicy::Stop, PromptAnswer::Ignore, false, false, 0},
        {ErrorPolicy::Ask, PromptAnswer::Ignore, true, false, 0},  // deletions need it all
    };
    for (const auto& c : cases) {
        m_fs.FailNext(m_bad, {EACCES});
        CScanRun run(m_dir / "src");
        run.task.m_Run.SetPolicy(c.policy);
        run.task.m_dwOptions |= c.deleteFromTarget ? tv::opt1::kDeleteFromTarget : 0;
        run.prompter.m_answers = {c.answer};
        EXPECT_EQ(run.Investigate(&m_fs), c.ok);
        EXPECT_EQ(run.prompter.m_questions.size(), c.questions);
        EXPECT_TRUE(run.HasError(Question() + " Access is denied."));
        EXPECT_EQ(run.HasError("Error while investigating source directory"), !c.ok);
        EXPECT_EQ(run.observer.m_errors, run.Errors());
        if (c.ok) {  // passed over: the planner must see that the folder is not all there
            EXPECT_TRUE(Bad(run)->incomplete && Bad(run)->files.empty());
            EXPECT_FALSE(run.sourceTree.incomplete);
            EXPECT_TRUE(FindFile(*FindFolder(run.sourceTree, "z"), "f"));
        }
        if (c.answer == PromptAnswer::Abort && c.questions) {
            EXPECT_EQ(run.prompter.m_questions[0], Question());
            EXPECT_TRUE(run.task.m_Run.InvestigationFailed());
            EXPECT_EQ(run.task.m_Run.Policy(), ErrorPolicy::Stop);
        }
    }
}

TEST_F(InvestigateErrors, AskRetryListsTheFolderAgain) {
    m_fs.FailNext(m_bad, {EACCES, EACCES});
    CScanRun run(m_dir / "src");
    run.prompter.m_answers = {PromptAnswer::Retry, PromptAnswer::Retry};
    ASSERT_TRUE(run.Investigate(&m_fs));
    EXPECT_EQ(run.prompter.m_questions.size(), 2u);
    EXPECT_TRUE(FindFile(*Bad(run), "f"));
    EXPECT_FALSE(Bad(run)->incomplete);
}

TEST_F(InvestigateErrors, NetworkErrorsAreRetriedThreeTimesBeforeAsking) {
    m_fs.FailNext(m_bad, {EIO, ESTALE, ETIMEDOUT});
    CScanRun recovers(m_dir / "src");
    ASSERT_TRUE(recovers.Investigate(&m_fs));
    EXPECT_TRUE(recovers.prompter.m_questions.empty());
    EXPECT_TRUE(FindFile(*Bad(recovers), "f"));
    EXPECT_EQ(m_fs.Calls(m_bad), 4);

    m_fs.FailNext(m_bad, {EIO, EIO, EIO, EIO});
    CScanRun asks(m_dir / "src");
    ASSERT_TRUE(asks.Investigate(&m_fs));
    EXPECT_EQ(asks.prompter.m_questions.size(), 1u);
    EXPECT_EQ(m_fs.Calls(m_bad), 8);
    EXPECT_TRUE(asks.HasError(Question() + " Error code: 5 Input/output error"));
}

TEST_F(InvestigateErrors, MissingRootFailsItsSide) {
    CScanRun run(m_dir / "src", m_dir / "missing");
    EXPECT_FALSE(run.Investigate(&m_fs));
    EXPECT_TRUE(run.task.m_Run.InvestigationFailed());
    EXPECT_TRUE(run.HasError("Error while investigating dir " + (m_dir / "missing").string() +
                             " Error code: 2 No such file or directory"));
    EXPECT_TRUE(run.HasError("Error while investigating target directory"));
    EXPECT_FALSE(run.HasError("Error while investigating source directory"));
}

TEST_F(InvestigateErrors, AFailedSideEndsTheOtherOnlyWithASingleTarget) {
    fs::create_directories(m_dir / "dst");
    const std::string source = (m_dir / "src").string();
    for (const bool single : {true, false}) {
        CScanRun run(m_dir / "src", m_dir / "dst");
        tv::CElement* task = &run.task;
        // The source starts listing only once the target has failed.
        m_fs.m_hook = [&, task](const std::string& path) {
            while (path == source && !task->m_Run.InvestigationFailed()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        m_fs.FailNext((m_dir / "dst").string(), {EACCES});
        EXPECT_FALSE(run.Investigate(&m_fs, single));
        EXPECT_EQ(run.sourceTree.subfolders.size(), single ? 0u : 3u);
        EXPECT_EQ(run.sourceTree.incomplete, single);
        EXPECT_FALSE(run.HasError("Error while investigating source directory"));
    }
}

TEST_F(InvestigateErrors, BothSidesAreListedAtTheSameTime) {
    fs::copy(m_dir / "src", m_dir / "dst", fs::copy_options::recursive);
    // Each root listing waits (up to 10 s) until the other side has started too.
    std::atomic<int> started{0};
    std::atomic<bool> met{true};
    m_fs.m_hook = [&](const std::string& path) {
        if (path == (m_dir / "src").string() || path == (m_dir / "dst").string()) {
            ++started;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (started < 2 && std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            met = met && started == 2;
        }
    };
    CScanRun run(m_dir / "src", m_dir / "dst");
    ASSERT_TRUE(run.Investigate(&m_fs));
    EXPECT_TRUE(met);
    EXPECT_EQ(run.targetTree.subfolders.size(), 3u);
}

TEST_F(InvestigateErrors, ACancelEndsTheListingWithoutErrorLines) {
    CScanRun run(m_dir / "src");
    tv::CElement* task = &run.task;
    m_fs.m_hook = [task](const std::string&) { task->m_Run.RequestCancel(); };
    EXPECT_FALSE(run.Investigate(&m_fs));
    EXPECT_TRUE(run.Errors().empty());
    EXPECT_TRUE(run.sourceTree.incomplete);
}

TEST_F(InvestigateErrors, ASnapshotOrAnArchiveStandsForTheTarget) {
    CScanRun snapshot(m_dir / "src", m_dir / "missing");
    snapshot.task.m_bUseSnapshot = 1;
    tvtest::BeginRun(snapshot.task.m_Run, tv::RunKind::UpdateTarget);
    snapshot.request.m_ReadSnapshot = [](tv::CTreeF& root) {
        root.name = "from snapshot";
        return true;
    };
    ASSERT_TRUE(snapshot.Investigate(&m_fs));
    EXPECT_EQ(snapshot.targetTree.name, "from snapshot");

    CScanRun damaged(m_dir / "src", m_dir / "src/a");
    damaged.task.m_bUseSnapshot = 1;
    tvtest::BeginRun(damaged.task.m_Run, tv::RunKind::UpdateTarget);
    damaged.request.m_ReadSnapshot = [](tv::CTreeF& root) {
        root.files.emplace_back();  // half read
        return false;
    };
    ASSERT_TRUE(damaged.Investigate(&m_fs));
    ASSERT_EQ(damaged.targetTree.files.size(), 1u);
    EXPECT_EQ(damaged.targetTree.files[0].name, "f");

    CScanRun archive(m_dir / "src", m_dir / "missing.zip");
    archive.task.m_dwOptions =
        (archive.task.m_dwOptions & ~tv::opt1::kKindMask) | (1u << tv::opt1::kKindShift);
    archive.task.m_dwOptions3 |= tv::opt3::kArchiveTarget;
    EXPECT_TRUE(archive.Investigate(&m_fs));
}

}  // namespace
