#include <gtest/gtest.h>

#include <cerrno>
#include <deque>

#include "support/InforLines.h"
#include "sync/ErrorPolicy.h"
#include "task/Element.h"

using tv::FileOpKind;
using tv::OpResult;
using tv::PromptAnswer;

namespace {

// Answers from a script and notes how many operation calls preceded each question.
class CScriptedPrompter : public tv::ITaskPrompter {
  public:
    explicit CScriptedPrompter(const int& calls) : m_calls(calls) {}
    PromptAnswer AbortRetryIgnore(const std::string& message) override {
        m_messages.push_back(message);
        m_callsAtQuestion.push_back(m_calls);
        PromptAnswer answer = m_script.empty() ? PromptAnswer::Ignore : m_script.front();
        if (!m_script.empty()) {
            m_script.pop_front();
        }
        return answer;
    }
    PromptAnswer YesNo(const std::string&) override { return PromptAnswer::No; }

    std::deque<PromptAnswer> m_script;
    std::vector<std::string> m_messages;
    std::vector<int> m_callsAtQuestion;

  private:
    const int& m_calls;
};

class CErrorLines : public tv::ITaskObserver {
  public:
    void AddError(const std::string& line) override { m_lines.push_back(line); }
    std::vector<std::string> m_lines;
};

class ErrorPolicy : public ::testing::Test {
  protected:
    void SetUp() override {
        m_task.m_Run.Attach(&m_observer, &m_prompter);
        tvtest::BeginRun(m_task.m_Run, tv::RunKind::Synchronize,
                         static_cast<uint32_t>(tv::ErrorPolicy::Ask));
    }

    // An operation that fails `failures` times with `error`, then succeeds.
    tv::CPolicyOutcome Run(FileOpKind kind, int failures, int error = EIO,
                           OpResult failure = OpResult::Failed) {
        tv::CErrorPolicy policy(m_task, &m_bytes);
        return policy.Perform(kind, "/src/f", 1000, [&] {
            ++m_calls;
            return m_calls > failures ? tv::COpStatus{} : tv::COpStatus{failure, error};
        });
    }

    std::vector<std::string> Errors() const {
        return tvtest::LinesOf(m_task.m_Run, tv::CTaskInfor::Errors);
    }

    int m_calls = 0;
    tv::CElement m_task;
    CScriptedPrompter m_prompter{m_calls};
    CErrorLines m_observer;
    tv::CRunBytes m_bytes;
};

}  // namespace

TEST_F(ErrorPolicy, CopyIsRetriedThreeTimesBeforeEachQuestion) {
    m_prompter.m_script = {PromptAnswer::Retry, PromptAnswer::Retry, PromptAnswer::Ignore};
    const tv::CPolicyOutcome outcome = Run(FileOpKind::Copy, 1000);
    EXPECT_EQ(m_prompter.m_callsAtQuestion, (std::vector<int>{4, 7, 10}));
    EXPECT_EQ(m_prompter.m_messages.front(), "Can't copy file: /src/f");
    EXPECT_FALSE(outcome.m_bDone);
    EXPECT_TRUE(outcome.m_bGoOn);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Can't copy file: /src/f"});
    EXPECT_EQ(m_observer.m_lines, Errors());
    EXPECT_EQ(m_bytes.m_done, 1000u);
}

TEST_F(ErrorPolicy, CopyThatRecoversInItsRetriesAsksNothing) {
    const tv::CPolicyOutcome outcome = Run(FileOpKind::Copy, 3);
    EXPECT_TRUE(outcome.m_bDone);
    EXPECT_TRUE(m_prompter.m_messages.empty());
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(m_bytes.m_done, 0u);
}

TEST_F(ErrorPolicy, OtherOperationsAskAtOnceAndRetryOnce) {
    m_prompter.m_script = {PromptAnswer::Retry, PromptAnswer::Retry};
    EXPECT_TRUE(Run(FileOpKind::Delete, 2).m_bDone);
    EXPECT_EQ(m_prompter.m_callsAtQuestion, (std::vector<int>{1, 2}));
    EXPECT_EQ(m_calls, 3);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ErrorPolicy, AbortStopsTheRunAndTheRestOfIt) {
    m_prompter.m_script = {PromptAnswer::Abort};
    const tv::CPolicyOutcome outcome = Run(FileOpKind::RemoveFolder, 1000);
    EXPECT_FALSE(outcome.m_bGoOn);
    EXPECT_EQ(m_task.m_Run.Policy(), tv::ErrorPolicy::Stop);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Can't remove dir /src/f"});
    EXPECT_EQ(m_bytes.m_done, 0u);
}

TEST_F(ErrorPolicy, ContinueAndStopNeitherAskNorRetry) {
    m_task.m_Run.SetPolicy(tv::ErrorPolicy::Continue);
    EXPECT_TRUE(Run(FileOpKind::Delete, 1000).m_bGoOn);
    m_task.m_Run.SetPolicy(tv::ErrorPolicy::Stop);
    EXPECT_FALSE(Run(FileOpKind::Copy, 1000).m_bGoOn);
    EXPECT_EQ(m_calls, 2);
    EXPECT_TRUE(m_prompter.m_messages.empty());
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{"Can't delete file: /src/f", "Can't copy file: /src/f"}));
}

TEST_F(ErrorPolicy, ChangedFileIsLoggedAndPassedOverEvenUnderStop) {
    m_task.m_Run.SetPolicy(tv::ErrorPolicy::Stop);
    tv::CErrorPolicy policy(m_task, &m_bytes);
    const tv::CPolicyOutcome outcome = policy.Perform(
        FileOpKind::Copy, "/src/f", 1000,
        [] {
            return tv::COpStatus{OpResult::Changed, 0};
        },
        "/dst/f");
    EXPECT_TRUE(outcome.m_bGoOn);
    EXPECT_FALSE(outcome.m_bDone);
    EXPECT_EQ(Errors(),
              std::vector<std::string>{"/dst/f changed during the run and was left as it is"});
    EXPECT_EQ(m_bytes.m_done, 1000u);
}

TEST_F(ErrorPolicy, MessagesForDiskFullAndAFolderThatAppeared) {
    m_task.m_Run.SetPolicy(tv::ErrorPolicy::Continue);
    Run(FileOpKind::Copy, 1000, ENOSPC);
    Run(FileOpKind::CreateFolder, 1000, EEXIST);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"There is not enough space on the disk",
                                                  "Can't copy file: /src/f",
                                                  "/src/f was created after task was started."}));
}

TEST_F(ErrorPolicy, CancelEndsTheRetriesWithoutAQuestion) {
    tv::CErrorPolicy policy(m_task, &m_bytes);
    const tv::CPolicyOutcome outcome = policy.Perform(FileOpKind::Copy, "/src/f", 0, [&] {
        m_task.m_Run.RequestCancel();
        return tv::COpStatus{OpResult::Failed, EIO};
    });
    EXPECT_TRUE(outcome.m_bGoOn);
    EXPECT_TRUE(m_prompter.m_messages.empty());
}
