#include "uimodel/DiscErase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/DiscRecorder.h"
#include "task/Element.h"

namespace {

class CEraseOnly : public tv::IDiscRecorder {
  public:
    bool IsRecorder(const std::string&) override { return true; }
    bool IsReady(const std::string&) override { return true; }
    bool Erase(const std::string& drive, tv::EraseMode mode, std::string& error) override {
        std::lock_guard lock(m_mutex);
        m_erased.push_back(drive + (mode == tv::EraseMode::Full ? " full" : " quick"));
        error = m_strRefusal;
        return m_strRefusal.empty();
    }
    bool Burn(const std::string&, const std::vector<tv::CDiscImageEntry>&, tv::EjectMode,
              const tv::BurnProgressFn&, std::string&) override {
        return false;
    }

    std::mutex m_mutex;
    std::string m_strRefusal;
    std::vector<std::string> m_erased;
};

void WaitFor(const tv::CDiscEraseJob& job) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!job.Finished() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(job.Finished());
}

// The buttons act on the recorder of the first target that names one, and tell how it went.
TEST(DiscEraseJob, ErasesTheFirstDiscTargetsRecorderAndReportsItsRefusal) {
    tv::CElement task;
    task.m_Targets.emplace_back().m_strPath = "/home/u/backup";
    task.m_Targets.emplace_back().m_strPath = "/dev/sr3/Backup/2026";
    task.m_Targets.emplace_back().m_strPath = "/dev/sr4";
    CEraseOnly recorder;
    for (const auto depth : {tv::EraseDepth::Quick, tv::EraseDepth::Full}) {
        const auto job = tv::CDiscEraseJob::Start(task, depth, &recorder);
        ASSERT_TRUE(job);
        WaitFor(*job);
        EXPECT_EQ(job->Error(), "");
    }
    recorder.m_strRefusal = "no medium";
    const auto refused = tv::CDiscEraseJob::Start(task, tv::EraseDepth::Quick, &recorder);
    ASSERT_TRUE(refused);
    WaitFor(*refused);
    EXPECT_EQ(refused->Error(), "no medium");
    EXPECT_EQ(recorder.m_erased,
              (std::vector<std::string>{"/dev/sr3 quick", "/dev/sr3 full", "/dev/sr3 quick"}));

    task.m_Targets.erase(task.m_Targets.begin() + 1, task.m_Targets.end());
    EXPECT_FALSE(tv::CDiscEraseJob::Start(task, tv::EraseDepth::Quick, &recorder));
}

}  // namespace
