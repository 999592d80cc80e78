// Real-time tasks in the main window: Synch starts and stops their services, the window shows
// their state, and deleting a task removes its service.
#include <cstdlib>

#include "MainTestSupport.h"
#include "auto/RealtimeService.h"
#include "support/ServiceStandIn.h"
#include "uimodel/AdvancedPages.h"

namespace {

using namespace tvtest;

class MainRealtime : public CMainTest {
  protected:
    MainRealtime() {
        m_strProgram = WriteStandIn(m_home.Root() / "bin/tvservice", kObedientService);
        setenv("TWINVALE_TVSERVICE", m_strProgram.c_str(), 1);
    }
    ~MainRealtime() override {
        tv::CRealtimeServices services(tv::LocalFileSystem(),
                                       tv::CServicePlaces::FromEnvironment());
        for (int row = 0; row < m_presenter->List().RowCount(); ++row) {
            services.Stop(TaskAt(row));
        }
        unsetenv("TWINVALE_TVSERVICE");
    }

    int AddRealtimeTask() {
        const int row = AddTask("1");
        m_presenter->Editor().SetKind(2);
        m_presenter->Editor().ApplyEdits();
        return row;
    }
    bool ServiceRuns(int row) {
        return tv::CRealtimeServices(tv::LocalFileSystem(), tv::CServicePlaces::FromEnvironment())
            .IsRunning(TaskAt(row));
    }
    // Where the window shows the task's state: its row, the Synch tip and the tool's image.
    std::string Shown(int row) {
        const tv::CMainPresenter& p = *m_presenter;
        return p.RowLastRun(row) + " | " + p.SyncTip() + (p.SyncStops() ? " | stop" : "");
    }

    std::string m_strProgram;
};

TEST_F(MainRealtime, SynchStartsAndStopsTheServiceAndTheWindowFollows) {
    auto& p = *m_presenter;
    const int row = AddRealtimeTask();
    EXPECT_EQ(Shown(row), "Stopped | Execute selected task");

    p.Synch();
    EXPECT_TRUE(m_dialogs.m_asked.empty()) << m_dialogs.m_asked.back();
    EXPECT_TRUE(ServiceRuns(row));
    EXPECT_EQ(Shown(row), "Running... | Stop task | stop");
    EXPECT_EQ(FilesIn("dst1"), 3u) << "the initial synchronization ran first";
    EXPECT_EQ(p.Runs().Outstanding(), 0);
    EXPECT_NE(std::find(m_listener.m_events.begin(), m_listener.m_events.end(),
                        "row " + std::to_string(row)),
              m_listener.m_events.end());
    EXPECT_TRUE(p.List().Changed()) << "the list is still to be saved";

    p.Synch();
    EXPECT_FALSE(ServiceRuns(row));
    EXPECT_EQ(Shown(row), "Stopped | Execute selected task");
}

// The service goes with its task: stopped first, then removed.
TEST_F(MainRealtime, DeletingARunningRealtimeTaskStopsAndRemovesItsService) {
    auto& p = *m_presenter;
    const int row = AddRealtimeTask();
    p.Synch();
    ASSERT_TRUE(ServiceRuns(row));
    const tv::CElement task = TaskAt(row);
    const std::string folder =
        tv::CRealtimeServices(tv::LocalFileSystem(), tv::CServicePlaces::FromEnvironment())
            .FolderOf(task);
    ASSERT_TRUE(fs::exists(folder));

    p.SetPreferences(p.Preferences() & ~tv::pref::kConfirmDelete);
    p.DeleteTasks();
    EXPECT_EQ(p.List().RowCount(), 0);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(fs::exists(m_home.Root() / "bin/tvservice.args")) << "it was asked to end";
}

TEST_F(MainRealtime, SettingsReachTheServiceAndFailuresAreSaid) {
    auto& p = *m_presenter;
    auto& e = p.Editor();
    const int row = AddRealtimeTask();
    tv::CRealtimeSettings settings;
    settings.Load(e.EditCopy());
    settings.m_bAutoStart = true;
    e.StoreRealtime(settings);
    p.UpdateRealtimeService();
    EXPECT_TRUE(
        fs::exists(m_home.ConfigHome() / "autostart" /
                   ("TwinvaleRealTask_" + std::to_string(TaskAt(row).m_nTaskId) + ".desktop")));
    EXPECT_TRUE(m_dialogs.m_asked.empty());

    e.SetTargetText("relative/path");
    e.ApplyEdits();
    p.UpdateRealtimeService();
    EXPECT_EQ(m_dialogs.m_asked.back(), "Can't create RT service");
    p.Synch();
    EXPECT_NE(m_dialogs.m_asked.back().find("local folders"), std::string::npos);
    EXPECT_EQ(Shown(row), "Stopped | Execute selected task");

    e.SetTargetText(Dir("dst1"));
    e.ApplyEdits();
    unsetenv("TWINVALE_TVSERVICE");
    setenv("TWINVALE_TVSERVICE", (m_home.Root() / "missing/tvservice").c_str(), 1);
    p.Synch();
    EXPECT_EQ(m_dialogs.m_asked.back(), "StartService error: 2");
}

}  // namespace
