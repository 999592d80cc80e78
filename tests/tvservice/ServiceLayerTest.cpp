// The service layer starting the real service program: what the main window's Execute command
// does for a real-time task, end to end.
#include <gtest/gtest.h>

#include "auto/RealtimeService.h"
#include "auto/RealtimeToggle.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "task/Element.h"
#include "tvservice/ServiceSupport.h"

namespace livetest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

TEST(ServiceLayer, AStartedTaskFollowsItsSourceUntilItIsStopped) {
    tvtest::CIsolatedHome home;
    const fs::path root = home.Root();
    fs::create_directories(root / "src");
    WriteFile(root / "src/old.txt", "old");
    fs::create_directories(root / "dst");

    tv::CServicePlaces places;
    places.m_strServices = (home.StateHome() / "Twinvale/services").string();
    places.m_strAutostart = (home.ConfigHome() / "autostart").string();
    places.m_strProgram = TVSERVICE_PATH;
    tv::CRealtimeServices services(tv::LocalFileSystem(), places);

    tv::CElement task;
    task.m_nTaskId = 21;
    task.m_dwOptions = (task.m_dwOptions & ~(tv::opt1::kKindMask | tv::opt1::kPreview)) |
                       (2u << tv::opt1::kKindShift) | 1u;
    task.m_Source.m_strPath = (root / "src").string();
    task.m_Targets.emplace_back();
    task.m_Targets[0].m_strPath = (root / "dst").string();
    const auto toggle = [&] {
        return tv::ToggleRealTimeTask(services, task, tv::ListState::Saved,
                                      [](const tv::CElement& copy) {
                                          tv::RunInitialSync(tv::LocalFileSystem(), copy, {});
                                      })
            .m_outcome;
    };

    ASSERT_EQ(toggle(), tv::ToggleOutcome::Started);
    EXPECT_EQ(ReadFile(root / "dst/old.txt"), "old") << "the initial synchronization ran";
    ASSERT_TRUE(services.IsRunning(task));
    // The watch is set up a moment after the start; keep writing until the change arrives.
    EXPECT_TRUE(WaitUntil(
        [&] {
            WriteFile(root / "src/new.txt", "new");
            return fs::exists(root / "dst/new.txt") && ReadFile(root / "dst/new.txt") == "new";
        },
        10s, 100ms));

    EXPECT_EQ(toggle(), tv::ToggleOutcome::Stopped);
    EXPECT_FALSE(services.IsRunning(task));
    WriteFile(root / "src/late.txt", "late");
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(fs::exists(root / "dst/late.txt")) << "a stopped service follows nothing";
    EXPECT_TRUE(services.Delete(task).Ok());
}

}  // namespace

}  // namespace livetest
