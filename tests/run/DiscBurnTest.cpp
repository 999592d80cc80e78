// The runner's end steps for disc targets, over a recorder that fails where a test says: the
// erase, the burn and its one retry, the waits between them, and what each disc is given.
#include <algorithm>
#include <atomic>
#include <mutex>

#include "RunTestSupport.h"
#include "base/StringTable.h"
#include "platform/DiscRecorder.h"
#include "support/InforLines.h"

namespace {

using namespace tvtest;
using Entries = std::vector<tv::CDiscImageEntry>;

class CFakeRecorder : public tv::IDiscRecorder {
  public:
    bool IsRecorder(const std::string& drive) override { return drive.rfind("/dev/sr", 0) == 0; }
    bool IsReady(const std::string&) override { return m_nNotReady-- <= 0; }
    bool Erase(const std::string& drive, tv::EraseMode mode, std::string& error) override {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("erase " + drive + (mode == tv::EraseMode::Full ? " full" : " quick"));
        error = "erase refused";
        return !m_bEraseFails;
    }
    bool Burn(const std::string& drive, const Entries& entries, tv::EjectMode eject,
              const tv::BurnProgressFn& progress, std::string& error) override {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("burn " + drive + (eject == tv::EjectMode::Eject ? " eject" : ""));
        m_images.push_back(entries);
        if (progress) {
            progress({50, 700});
        }
        error = "burn refused";
        return m_nBurnFailures-- <= 0;
    }

    std::mutex m_mutex;
    bool m_bEraseFails = false;
    int m_nBurnFailures = 0;
    std::atomic<int> m_nNotReady{0};  // readiness tests that fail first
    std::vector<std::string> m_calls;
    std::vector<Entries> m_images;
};

class DiscBurn : public CRunTest {
  protected:
    // A backup of "src" (one file "f") to disc targets at `paths`.
    tv::CElement DiscTask(const std::vector<std::string>& paths, uint32_t options3 = 0) {
        tv::CElement task = MakeTask(1, 0);
        task.m_dwOptions3 |= options3;
        for (const std::string& path : paths) {
            task.m_Targets.emplace_back().m_strPath = path;
        }
        Put(Path("src/f"), "f");
        return task;
    }

    tv::RunEnd RunWithRecorder(tv::CElement& task) {
        task.m_Run.Attach(&m_observer, &m_prompter);
        tv::CLauncherSettings settings{kContinuePrefs, nullptr, {}, nullptr};
        settings.m_pDiscRecorder = &m_recorder;
        settings.m_discWait = [this](std::chrono::milliseconds wait) { m_waits.push_back(wait); };
        tv::CTaskLauncher launcher(*m_pFs, settings);
        EXPECT_EQ(launcher.Launch({&task}, tv::RunCommand::Sync), 1u);
        launcher.WaitAll();
        return task.m_Run.Ending();
    }

    // The statuses from the first disc step on.
    std::vector<int> DiscStatuses() const {
        const auto& all = m_observer.m_status;
        const auto first = std::find(all.begin(), all.end(), tv::IDS_PREPARING_CD_IMAGE);
        return {first, all.end()};
    }

    CFakeRecorder m_recorder;
    std::vector<std::chrono::milliseconds> m_waits;
};

constexpr std::chrono::milliseconds kRest{10'000};

TEST_F(DiscBurn, AFailedBurnIsTriedOnceMoreAfterARestAndTheLastAttemptDecides) {
    for (const int failures : {1, 2}) {
        SCOPED_TRACE(failures);
        m_recorder.m_nBurnFailures = failures;
        m_recorder.m_calls.clear();
        m_observer.m_status.clear();
        m_waits.clear();
        tv::CElement task = DiscTask({"/dev/sr0/Backup"});
        EXPECT_EQ(RunWithRecorder(task), tv::RunEnd::Normal);
        const bool burnt = failures < 2;
        EXPECT_EQ(DiscStatuses(),
                  (std::vector<int>{tv::IDS_PREPARING_CD_IMAGE, tv::IDS_BURNING_CD,
                                    burnt ? tv::IDS_BURNING_CD_DONE : tv::IDS_BURN_CD_ERROR}));
        EXPECT_EQ(m_recorder.m_calls, std::vector<std::string>(2, "burn /dev/sr0"));
        EXPECT_EQ(m_waits, std::vector<std::chrono::milliseconds>{kRest});
        // Each failed attempt is an error of the target, with the recorder's reason.
        const auto errors = LinesOf(task.m_Run, tv::CTaskInfor::Errors);
        ASSERT_EQ(errors.size(), burnt ? 1u : 2u);
        EXPECT_NE(errors[0].find("/dev/sr0/Backup: burn refused"), std::string::npos) << errors[0];
    }
}

TEST_F(DiscBurn, AnEraseFailureIsShownAndTheBurnStillFollows) {
    for (const bool eraseFails : {true, false}) {
        SCOPED_TRACE(eraseFails);
        m_recorder.m_bEraseFails = eraseFails;
        m_recorder.m_calls.clear();
        m_observer.m_status.clear();
        m_waits.clear();
        tv::CElement task =
            DiscTask({"/dev/sr0"}, tv::opt3::kEraseCd | tv::opt3::kFullErase | tv::opt3::kEjectCd);
        EXPECT_EQ(RunWithRecorder(task), tv::RunEnd::Normal);
        EXPECT_EQ(DiscStatuses(),
                  (std::vector<int>{tv::IDS_PREPARING_CD_IMAGE, tv::IDS_ERASING_CD,
                                    eraseFails ? tv::IDS_ERASE_CD_ERROR : tv::IDS_ERASE_CD_DONE,
                                    tv::IDS_BURNING_CD, tv::IDS_BURNING_CD_DONE}));
        EXPECT_EQ(m_recorder.m_calls,
                  (std::vector<std::string>{"erase /dev/sr0 full", "burn /dev/sr0 eject"}));
        // The rest follows a finished erase only.
        EXPECT_EQ(m_waits.size(), eraseFails ? 0u : 1u);
        EXPECT_EQ(LinesOf(task.m_Run, tv::CTaskInfor::Errors).size(), eraseFails ? 1u : 0u);
    }
}

// Every disc target keeps its own image and is burnt on the recorder its path names, and a
// failure is an error of that target alone.
TEST_F(DiscBurn, EachDiscTargetBurnsItsOwnImageOnItsOwnRecorder) {
    m_recorder.m_nBurnFailures = 2;
    tv::CElement task = DiscTask({"/dev/sr0/A", "/dev/sr1/B//C/"});
    Put(Path("src/sub/g"), "g");
    EXPECT_EQ(RunWithRecorder(task), tv::RunEnd::Normal);
    EXPECT_EQ(m_recorder.m_calls,
              (std::vector<std::string>{"burn /dev/sr0", "burn /dev/sr0", "burn /dev/sr1"}));
    const std::string f = Path("src/f");
    const std::string g = Path("src/sub/g");
    ASSERT_EQ(m_recorder.m_images.size(), 3u);
    const auto image = [](const Entries& entries) {
        std::vector<std::string> lines;
        for (const auto& entry : entries) {
            lines.push_back(entry.m_strImagePath + "<" + entry.m_strLocalPath);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    EXPECT_EQ(image(m_recorder.m_images[0]),
              (std::vector<std::string>{"A/f<" + f, "A/sub/g<" + g, "A/sub<", "A<"}));
    EXPECT_EQ(image(m_recorder.m_images[2]),
              (std::vector<std::string>{"B/C/f<" + f, "B/C/sub/g<" + g, "B/C/sub<", "B/C<", "B<"}));
    const auto& records = task.m_Run.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(LinesOf(*records[0], tv::CTaskInfor::Errors).size(), 2u);
    EXPECT_TRUE(LinesOf(*records[1], tv::CTaskInfor::Errors).empty());
}

// A recorder without a medium is asked about like a missing folder, whatever the policy, and
// a disc put in before Retry is burnt; without an answer the target is passed over.
TEST_F(DiscBurn, ARecorderWithoutAMediumIsAskedAboutAndRetried) {
    m_recorder.m_nNotReady = 1;
    m_prompter.m_abortRetryIgnore = {tv::PromptAnswer::Retry};
    tv::CElement task = DiscTask({"/dev/sr0/Backup"});
    EXPECT_EQ(RunWithRecorder(task), tv::RunEnd::Normal);
    ASSERT_EQ(m_prompter.Questions().size(), 1u);
    EXPECT_NE(m_prompter.Questions()[0].find("/dev/sr0/Backup"), std::string::npos);
    EXPECT_EQ(m_recorder.m_calls, std::vector<std::string>{"burn /dev/sr0"});

    m_recorder.m_calls.clear();
    m_recorder.m_nNotReady = 1;
    tv::CElement unanswered = DiscTask({"/dev/sr0/Backup"});
    EXPECT_EQ(RunWithRecorder(unanswered), tv::RunEnd::Normal);
    EXPECT_TRUE(m_recorder.m_calls.empty());
    EXPECT_EQ(LinesOf(unanswered.m_Run, tv::CTaskInfor::Errors).size(), 1u);
}

// An image without a file would only wipe the disc of the last backup: nothing is erased or
// burnt when the source has no file.
TEST_F(DiscBurn, AnEmptySourceErasesAndBurnsNothing) {
    tv::CElement task = DiscTask({"/dev/sr0/Backup"}, tv::opt3::kEraseCd);
    fs::remove(Path("src/f"));
    fs::create_directories(Path("src/empty"));
    EXPECT_EQ(RunWithRecorder(task), tv::RunEnd::Normal);
    EXPECT_TRUE(m_recorder.m_calls.empty());
}

}  // namespace
