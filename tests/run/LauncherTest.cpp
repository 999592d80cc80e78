// Several runs at once, paused and canceled from other threads.
#include <atomic>

#include "RunTestSupport.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"

namespace {

using namespace tvtest;
using tv::RunEnd;

// Pauses its task from the worker itself once the investigation is done, so that a test
// knows where the run stands while it is paused.
class CPausingObserver : public tv::ITaskObserver {
  public:
    void Status(int id) override {
        if (id == tv::IDS_COMPARING_ATTRIBUTES && !m_bPaused.exchange(true)) {
            m_pTask->m_Run.SetPaused(true);
        }
    }
    void WaitUntilPaused() const {
        while (!m_bPaused) {
            std::this_thread::yield();
        }
    }
    tv::CElement* m_pTask = nullptr;
    std::atomic<bool> m_bPaused{false};
};

class Launcher : public CRunTest {
  protected:
    // Task `id` copies `files` small files from "src<id>" to "dst<id>".
    tv::CElement& AddTask(int id, CPausingObserver* pausing = nullptr, int files = 300) {
        tv::CElement& task = m_tasks.emplace_back(MakeTask(1, 0));
        const std::string n = std::to_string(id);
        task.m_nTaskId = id;
        task.m_Source.m_strPath = Path("src" + n);
        task.m_Targets.emplace_back().m_strPath = Path("dst" + n);
        fs::create_directories(Path("dst" + n));
        for (int i = 0; i < files; ++i) {
            Put(Path("src" + n + "/d" + std::to_string(i % 7) + "/f" + std::to_string(i)), "x");
        }
        task.m_Run.Attach(pausing ? pausing : static_cast<tv::ITaskObserver*>(&m_observer),
                          nullptr);
        if (pausing) {
            pausing->m_pTask = &task;
        }
        return task;
    }
    size_t Copied(int id) {
        const fs::recursive_directory_iterator files(Path("dst" + std::to_string(id)));
        return std::count_if(begin(files), end(files),
                             [](const auto& entry) { return entry.is_regular_file(); });
    }
    std::deque<tv::CElement> m_tasks;
};

TEST_F(Launcher, TasksRunAtOnceAndArePausedAndCanceledOneByOne) {
    CPausingObserver paused[2];
    std::vector<tv::CElement*> tasks{&AddTask(1, &paused[0]), &AddTask(2, &paused[1]), &AddTask(3),
                                     &AddTask(4)};
    std::atomic<int> done{0};
    tv::CTaskLauncher launcher(
        tv::LocalFileSystem(),
        {kContinuePrefs, nullptr, [&](tv::CElement&, const tv::CTaskDone&) { ++done; }, nullptr});
    EXPECT_EQ(launcher.Launch(tasks, tv::RunCommand::Sync), 4u);
    EXPECT_EQ(launcher.Launch({tasks[0]}, tv::RunCommand::Sync), 0u);  // it is running

    std::thread other([&] {
        paused[1].WaitUntilPaused();
        tasks[1]->m_Run.RequestCancel();
        paused[0].WaitUntilPaused();
        tasks[0]->m_Run.SetPaused(false);
    });
    other.join();
    launcher.WaitAll();

    EXPECT_EQ(done, 4);
    EXPECT_EQ(tasks[1]->m_Run.Ending(), RunEnd::Canceled);
    EXPECT_EQ(Copied(2), 0u);
    for (int i : {0, 2, 3}) {
        EXPECT_EQ(tasks[i]->m_Run.Ending(), RunEnd::Normal);
        EXPECT_EQ(Copied(i + 1), 300u);
        EXPECT_EQ(tasks[i]->m_Run.Changes().m_nCopiedFromSource, 300u);
    }
}

TEST_F(Launcher, CancelAllStopsARunInTheMiddleAndFurtherConsecutiveStarts) {
    CPausingObserver paused;
    std::vector<tv::CElement*> tasks{&AddTask(1, &paused), &AddTask(2)};
    tv::CTaskLauncher launcher(tv::LocalFileSystem(),
                               {kContinuePrefs | tv::pref::kConsecutive, nullptr, {}, nullptr});
    std::thread canceler([&] {
        paused.WaitUntilPaused();
        launcher.CancelAll();
    });
    EXPECT_EQ(launcher.Launch(tasks, tv::RunCommand::Sync), 1u);
    canceler.join();
    launcher.WaitAll();
    EXPECT_FALSE(launcher.IsAnyRunning());
    EXPECT_EQ(tasks[0]->m_Run.Ending(), RunEnd::Canceled);
    EXPECT_EQ(Copied(1), 0u);
    EXPECT_EQ(tasks[1]->m_Run.Ending(), RunEnd::None);  // never started
    EXPECT_NE(Log(*tasks[0]).find("Task canceled by user "), std::string::npos);
}

TEST_F(Launcher, CancelAllReachesEveryRunWhileTheyAreWaitedFor) {
    CPausingObserver paused[3];
    std::vector<tv::CElement*> tasks;
    for (int i = 0; i < 3; ++i) {
        tasks.push_back(&AddTask(i + 1, &paused[i]));
    }
    tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, nullptr, {}, nullptr});
    EXPECT_EQ(launcher.Launch(tasks, tv::RunCommand::Sync), 3u);
    std::thread canceler([&] {
        for (const CPausingObserver& observer : paused) {
            observer.WaitUntilPaused();
        }
        launcher.CancelAll();
    });
    launcher.WaitAll();  // returns only when every paused run was reached
    canceler.join();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tasks[i]->m_Run.Ending(), RunEnd::Canceled);
        EXPECT_EQ(Copied(i + 1), 0u);
        EXPECT_NE(Log(*tasks[i]).find("Task canceled by user "), std::string::npos);
    }
}

// A signal that came just before the runs were launched still counts; it is used up then.
TEST_F(Launcher, CancelAllBeforeALaunchHoldsBackThatLaunchOnly) {
    std::vector<tv::CElement*> tasks{&AddTask(1, nullptr, 3), &AddTask(2, nullptr, 3)};
    tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, nullptr, {}, nullptr});
    launcher.CancelAll();
    EXPECT_EQ(launcher.Launch(tasks, tv::RunCommand::Sync), 0u);
    EXPECT_EQ(launcher.Launch(tasks, tv::RunCommand::Sync), 2u);
    launcher.WaitAll();
    EXPECT_EQ(Copied(1) + Copied(2), 6u);
}

// Wherever a CancelAll falls in a Launch, no run it started goes on: each run pauses itself
// before copying and only a cancel ends it. Should one be missed, it is resumed after a while
// so that the test fails instead of hanging.
TEST_F(Launcher, CancelAllAtAnyMomentOfALaunchReachesEveryStartedRun) {
    for (int round = 0; round < 6; ++round) {
        CPausingObserver paused[3];
        std::vector<tv::CElement*> tasks;
        for (int i = 0; i < 3; ++i) {
            tasks.push_back(&AddTask(round * 10 + i, &paused[i], 2));
        }
        tv::CTaskLauncher launcher(tv::LocalFileSystem(), {kContinuePrefs, nullptr, {}, nullptr});
        std::thread canceler([&] {
            for (int spin = 0; spin < round * 200; ++spin) {
                std::this_thread::yield();
            }
            launcher.CancelAll();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (launcher.IsAnyRunning() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            for (tv::CElement* task : tasks) {
                task->m_Run.SetPaused(false);
            }
        });
        launcher.Launch(tasks, tv::RunCommand::Sync);
        launcher.WaitAll();
        canceler.join();
        for (tv::CElement* task : tasks) {
            const RunEnd end = task->m_Run.Ending();
            EXPECT_TRUE(end == RunEnd::Canceled || end == RunEnd::None) << "round " << round;
        }
    }
}

}  // namespace
