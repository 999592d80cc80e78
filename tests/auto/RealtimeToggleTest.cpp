// The Execute command of a real-time task, with the real engine for its initial
// synchronization and a stand-in for the service program.
#include <gtest/gtest.h>

#include "auto/RealtimeService.h"
#include "auto/RealtimeToggle.h"
#include "platform/FileSystem.h"
#include "support/ServiceStandIn.h"
#include "task/Element.h"

namespace {

using namespace tvtest;
namespace fs = std::filesystem;
using tv::ListState;
using tv::ToggleOutcome;

class RealtimeToggle : public ::testing::Test {
  protected:
    RealtimeToggle() : m_services(tv::LocalFileSystem(), Places()) {
        m_task.m_nTaskId = 12;
        m_task.m_dwOptions = (m_task.m_dwOptions & ~(tv::opt1::kKindMask | tv::opt1::kPreview)) |
                             (2u << tv::opt1::kKindShift) | 1u;
        m_task.m_Source.m_strPath = Folder("src");
        WriteFile(m_home.Root() / "src/a.txt", "a");
        fs::create_directories(m_home.Root() / "src/sub");
        WriteFile(m_home.Root() / "src/sub/b.txt", "b");
        m_task.m_Targets.push_back(Target("dst1"));
    }
    ~RealtimeToggle() override { m_services.Stop(m_task); }
    tv::CServicePlaces Places() {
        tv::CServicePlaces places;
        places.m_strServices = (m_home.StateHome() / "Twinvale/services").string();
        places.m_strAutostart = (m_home.ConfigHome() / "autostart").string();
        places.m_strProgram = WriteStandIn(m_home.Root() / "bin/tvservice", kObedientService);
        return places;
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return (m_home.Root() / name).string();
    }
    tv::CTag Target(const std::string& name) {
        tv::CTag target;
        target.m_strPath = Folder(name);
        return target;
    }
    tv::CToggleResult Toggle(ListState list) {
        return tv::ToggleRealTimeTask(m_services, m_task, list, [&](const tv::CElement& task) {
            ++m_nInitialSyncs;
            tv::RunInitialSync(tv::LocalFileSystem(), task, {});
        });
    }
    // What the service got: its arguments, and the first target's names when it started.
    std::string Args() { return ReadFile(m_home.Root() / "bin/tvservice.args"); }
    std::string Seen() { return ReadFile(m_home.Root() / "bin/tvservice.seen"); }

    CIsolatedHome m_home;
    tv::CRealtimeServices m_services;
    tv::CElement m_task;
    int m_nInitialSyncs = 0;
};

// The targets hold the source's files before the service starts, and the task is not changed.
TEST_F(RealtimeToggle, StartSynchronizesOnceThenStartsAndTheNextToggleStops) {
    ASSERT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::Started);
    EXPECT_EQ(m_nInitialSyncs, 1);
    EXPECT_TRUE(m_services.IsRunning(m_task));
    ASSERT_TRUE(Eventually([&] { return !Args().empty(); }));
    EXPECT_EQ(Seen(), "a.txt\nsub\n");
    EXPECT_EQ(ReadFile(m_home.Root() / "dst1/sub/b.txt"), "b");
    EXPECT_EQ(m_task.Kind(), tv::TaskKind::Realtime);

    EXPECT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::Stopped);
    EXPECT_FALSE(m_services.IsRunning(m_task));
    EXPECT_TRUE(m_services.Exists(m_task)) << "a stop keeps the service";
    EXPECT_EQ(m_nInitialSyncs, 1);
}

TEST_F(RealtimeToggle, DoNotInitializeStartsTheServiceOnUntouchedTargets) {
    m_task.m_bServiceNoInitialSync = 1;
    ASSERT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::Started);
    ASSERT_TRUE(Eventually([&] { return !Args().empty(); }));
    EXPECT_EQ(Seen(), "");
    EXPECT_EQ(m_nInitialSyncs, 0);
    EXPECT_TRUE(fs::is_empty(m_home.Root() / "dst1"));
}

// A saved list starts the service it has; an unsaved one makes it again from the task as it is
// now. Unsaved while running: the service is stopped and removed.
TEST_F(RealtimeToggle, UnsavedChangesMakeTheServiceAgain) {
    m_task.m_bServiceNoInitialSync = 1;
    ASSERT_TRUE(m_services.Create(m_task).Ok());
    m_task.m_Targets = {Target("dst2"), Target("dst3")};
    const std::string src = m_home.Root().string() + "/src\n";
    const std::string dst = m_home.Root().string() + "/dst";

    ASSERT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::Started);
    ASSERT_TRUE(Eventually([&] { return !Args().empty(); }));
    EXPECT_EQ(Args(), "TwinvaleRealTask_12\n" + src + dst + "1\n");
    ASSERT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::Stopped);

    ASSERT_EQ(Toggle(ListState::Unsaved).m_outcome, ToggleOutcome::Started);
    ASSERT_TRUE(Eventually([&] { return !Args().empty(); }));
    EXPECT_EQ(Args(), "TwinvaleRealTask_12\n" + src + dst + "2\n" + dst + "3\n");

    EXPECT_EQ(Toggle(ListState::Unsaved).m_outcome, ToggleOutcome::Stopped);
    EXPECT_FALSE(m_services.IsRunning(m_task));
    EXPECT_FALSE(m_services.Exists(m_task));
}

TEST_F(RealtimeToggle, FailuresSayWhichStepFailed) {
    m_task.m_bServiceNoInitialSync = 1;
    tv::CTag ftp;
    ftp.m_bIsFtp = 1;
    m_task.m_Targets.push_back(ftp);
    EXPECT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::NotLocal);
    m_task.m_Targets.pop_back();

    fs::remove(m_home.Root() / "bin/tvservice");
    const tv::CToggleResult missing = Toggle(ListState::Saved);
    EXPECT_EQ(missing.m_outcome, ToggleOutcome::StartFailed);
    EXPECT_EQ(missing.m_nError, ENOENT);

    // The services folder cannot be made: a file stands in its place.
    fs::remove_all(m_home.StateHome() / "Twinvale/services");
    WriteFile(m_home.StateHome() / "Twinvale/services", "");
    EXPECT_EQ(Toggle(ListState::Saved).m_outcome, ToggleOutcome::CreateFailed);
}

}  // namespace
