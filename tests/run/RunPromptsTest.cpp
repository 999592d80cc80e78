// Missing locations under each error policy, the preview hand-off, and questions nobody can
// answer.
#include "RunTestSupport.h"
#include "platform/FileSystem.h"
#include "run/Preview.h"
#include "sync/Plan.h"

namespace {

using namespace tvtest;
using tv::ErrorPolicy;
using tv::PromptAnswer;
using tv::RunEnd;

struct CMissingCase {
    const char* m_name;
    ErrorPolicy m_policy;
    bool m_firstMissing;  // else the last of the two targets is missing
    PromptAnswer m_answer;
    RunEnd m_end;
    bool m_otherCopied;
};

class MissingTarget : public CRunTest, public ::testing::WithParamInterface<CMissingCase> {};

// The "Can't open" question is put whatever the policy; the policy then decides.
TEST_P(MissingTarget, FollowsThePolicy) {
    const CMissingCase& c = GetParam();
    tv::CElement task = MakeTask(1, 2);
    const std::string missing = Path(c.m_firstMissing ? "t0" : "t1");
    fs::remove(missing);
    Put(Path("src/a"), "a");
    m_prompter.m_abortRetryIgnore = {c.m_answer};

    EXPECT_EQ(Run(task, tv::RunCommand::Sync, static_cast<uint32_t>(c.m_policy)), c.m_end);
    EXPECT_EQ(m_prompter.Questions(),
              std::vector<std::string>{"Can't open " + missing + "\nNo such file or directory"});
    EXPECT_EQ(fs::exists(Path(c.m_firstMissing ? "t1/a" : "t0/a")), c.m_otherCopied);
    const std::string log = Log(task);
    EXPECT_NE(log.find("Can't open " + missing), std::string::npos);
    EXPECT_EQ(log.find("Target doesn't exist.") != std::string::npos, c.m_end == RunEnd::Error);
    EXPECT_NE(log.find(c.m_end == RunEnd::Error ? "Task ended with error" : "Task ended: "),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Policies, MissingTarget,
    ::testing::Values(CMissingCase{"ContinueSkips", ErrorPolicy::Continue, true,
                                   PromptAnswer::Abort, RunEnd::Normal, true},
                      CMissingCase{"AskIgnoreSkipsAFirstTarget", ErrorPolicy::Ask, true,
                                   PromptAnswer::Ignore, RunEnd::Normal, true},
                      CMissingCase{"AskAbortEnds", ErrorPolicy::Ask, true, PromptAnswer::Abort,
                                   RunEnd::Error, false},
                      CMissingCase{"AskIgnoreOnTheLastTargetEnds", ErrorPolicy::Ask, false,
                                   PromptAnswer::Ignore, RunEnd::Error, true},
                      CMissingCase{"StopEnds", ErrorPolicy::Stop, true, PromptAnswer::Ignore,
                                   RunEnd::Error, false}),
    [](const auto& p) { return std::string(p.param.m_name); });

TEST_F(CRunTest, AMissingSourceIsAskedAboutOnlyUnderAsk) {
    tv::CElement task = MakeTask(1);
    task.m_Source.m_strPath = Path("gone");
    EXPECT_EQ(Run(task), RunEnd::Normal);  // continue: the target is passed over
    EXPECT_TRUE(m_prompter.Questions().empty());
    EXPECT_NE(Log(task).find("Source doesn't exist."), std::string::npos);

    m_prompter.m_abortRetryIgnore = {PromptAnswer::Abort};
    EXPECT_EQ(Run(task, tv::RunCommand::Sync, static_cast<uint32_t>(ErrorPolicy::Ask)),
              RunEnd::Error);
    EXPECT_EQ(m_prompter.Questions().back(),
              "Can't open " + Path("gone") + "\nNo such file or directory");
}

class CRefusingPreview : public tv::IPreviewHandler {
  public:
    bool ShowPreview(tv::CElement&, tv::CTreeF&, const tv::CPlanBytes& bytes,
                     const tv::CPreviewRequest& request) override {
        m_captions.push_back(request.m_strCaption);
        m_bytes.push_back(bytes.m_copyFromSource);
        return m_captions.size() < 2;
    }
    std::vector<std::string> m_captions;
    std::vector<uint64_t> m_bytes;
};

TEST_F(CRunTest, RefusingTheSecondPreviewCancelsAfterTheFirstTarget) {
    tv::CElement task = MakeTask(1 | tv::opt1::kPreview, 2);
    task.m_dwOptions2 = tv::opt2::kShutdown;
    Put(Path("src/a"), "abc");
    CRefusingPreview preview;
    task.m_Run.Attach(&m_observer, nullptr);
    tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, &preview, {}, nullptr});
    launcher.Launch({&task}, tv::RunCommand::Sync);
    launcher.WaitAll();

    EXPECT_EQ(task.m_Run.Ending(), RunEnd::Canceled);
    EXPECT_EQ(preview.m_captions.at(0), "Task: 7  " + Path("src") + " --> " + Path("t0"));
    EXPECT_EQ(preview.m_bytes, (std::vector<uint64_t>{3, 3}));
    EXPECT_TRUE(fs::exists(Path("t0/a")));
    EXPECT_FALSE(fs::exists(Path("t1/a")));
    EXPECT_NE(Log(task).find("Task canceled by user "), std::string::npos);
    EXPECT_EQ(m_observer.m_ends, std::vector<tv::RunEnd>{tv::RunEnd::Canceled});
    EXPECT_FALSE(launcher.ShutdownPending());
    EXPECT_FALSE(launcher.ShutdownIfPending());
}

}  // namespace
