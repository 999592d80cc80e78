// The services of real-time tasks, run with a stand-in for the service program.
#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

#include "auto/RealtimeService.h"
#include "platform/Autostart.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ServiceStandIn.h"
#include "task/Element.h"
#include "task/TaskList.h"

namespace {

using namespace tvtest;
namespace fs = std::filesystem;
using tv::ServiceStatus;

class RealtimeService : public ::testing::Test {
  protected:
    RealtimeService() { m_task.m_nTaskId = 7; }
    // No stand-in outlives its test, also one that failed halfway.
    ~RealtimeService() override {
        tv::CServicePlaces places = m_places;
        places.m_stopWait = std::chrono::milliseconds(300);
        tv::CRealtimeServices services(tv::LocalFileSystem(), places);
        if (!services.Stop(m_task).Ok()) {
            kill(std::stoi(ReadFile(services.FolderOf(m_task) + "/pid")), SIGKILL);
        }
    }

    // The program lies in a folder with blanks, as an installation may.
    tv::CRealtimeServices Services(const char* script = kObedientService,
                                   std::chrono::milliseconds stopWait = std::chrono::seconds(5)) {
        tv::CServicePlaces places;
        places.m_strServices = (m_home.StateHome() / "Twinvale/services").string();
        places.m_strAutostart = (m_home.ConfigHome() / "autostart").string();
        places.m_strProgram = WriteStandIn(m_home.Root() / "Program Files/tv service", script);
        places.m_stopWait = stopWait;
        m_places = places;
        return tv::CRealtimeServices(tv::LocalFileSystem(), places);
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return (m_home.Root() / name).string();
    }
    void ThreeTargets() {
        m_task.m_Source.m_strPath = Folder("my source");
        for (const char* name : {"target one", "target \"two\"", "target $three"}) {
            tv::CTag target;
            target.m_strPath = Folder(name);
            m_task.m_Targets.push_back(target);
        }
    }
    std::string Args() { return ReadFile(m_home.Root() / "Program Files/tv service.args"); }

    CIsolatedHome m_home;
    tv::CServicePlaces m_places;
    tv::CElement m_task;
};

// Create, start, query, stop, query, delete: the process, its arguments and the record agree.
TEST_F(RealtimeService, RoundTripOfAServiceWithThreeTargets) {
    ThreeTargets();
    tv::CRealtimeServices services = Services();
    const std::string program = services.Places().m_strProgram;
    EXPECT_EQ(
        tv::RealtimeServiceCommand(program, m_task),
        (std::vector<std::string>{program, "TwinvaleRealTask_7", m_task.m_Source.m_strPath,
                                  m_task.m_Targets[0].m_strPath, m_task.m_Targets[1].m_strPath,
                                  m_task.m_Targets[2].m_strPath}));
    ASSERT_TRUE(services.Open().Ok());
    EXPECT_FALSE(services.Exists(m_task));
    ASSERT_TRUE(services.Create(m_task).Ok());
    EXPECT_TRUE(services.Exists(m_task));
    EXPECT_FALSE(services.IsRunning(m_task));

    ASSERT_TRUE(services.Start(m_task).Ok());
    EXPECT_TRUE(services.IsRunning(m_task));
    ASSERT_TRUE(Eventually([&] { return !Args().empty(); }));
    EXPECT_EQ(Args(), "TwinvaleRealTask_7\n" + m_task.m_Source.m_strPath + "\n" +
                          m_task.m_Targets[0].m_strPath + "\n" + m_task.m_Targets[1].m_strPath +
                          "\n" + m_task.m_Targets[2].m_strPath + "\n");
    // A second start finds it running and starts no other.
    ASSERT_TRUE(services.Start(m_task).Ok());

    ASSERT_TRUE(services.Stop(m_task).Ok());
    EXPECT_FALSE(services.IsRunning(m_task));
    EXPECT_EQ(Args(), "") << "the stand-in ran its TERM handler";
    ASSERT_TRUE(services.Delete(m_task).Ok());
    EXPECT_FALSE(services.Exists(m_task));
    EXPECT_FALSE(fs::exists(services.FolderOf(m_task)));
    EXPECT_TRUE(services.Delete(m_task).Ok()) << "a missing service counts as deleted";
}

// The service reads its task from the record; no password goes there.
TEST_F(RealtimeService, TheTaskFileIsAOneTaskListWithoutTheAccountPassword) {
    ThreeTargets();
    m_task.m_strExcludeMasks = "*.TMP";
    m_task.m_strServicePassword = "secret";
    tv::CRealtimeServices services = Services();
    ASSERT_TRUE(services.Create(m_task).Ok());
    tv::CTaskList list;
    tv::CProfile profile(tv::LocalFileSystem());
    ASSERT_TRUE(
        list.LoadFile(tv::LocalFileSystem(), services.FolderOf(m_task) + "/task.tsl", profile)
            .Ok());
    ASSERT_EQ(list.m_Tasks.size(), 1u);
    EXPECT_EQ(list.m_Tasks[0]->m_nTaskId, 7);
    EXPECT_EQ(list.m_Tasks[0]->m_strExcludeMasks, "*.TMP");
    EXPECT_EQ(list.m_Tasks[0]->m_Targets.size(), 3u);
    EXPECT_EQ(list.m_Tasks[0]->m_strServicePassword, "");
    EXPECT_EQ(fs::status(services.FolderOf(m_task) + "/task.tsl").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// A service that ignores the stop is reported and kept, never removed while it runs; a pid on
// record that now belongs to another program never counts as the service.
TEST_F(RealtimeService, AServiceThatWillNotStopIsKept) {
    ThreeTargets();
    tv::CRealtimeServices services = Services(kStubbornService, std::chrono::milliseconds(300));
    ASSERT_TRUE(services.Create(m_task).Ok());
    ASSERT_TRUE(services.Start(m_task).Ok());
    ASSERT_TRUE(Eventually([&] { return !Args().empty(); }));  // its trap is set
    EXPECT_EQ(services.Stop(m_task).m_status, ServiceStatus::StillRunning);
    EXPECT_EQ(services.Delete(m_task).m_status, ServiceStatus::StillRunning);
    EXPECT_TRUE(services.Exists(m_task));
    ASSERT_TRUE(services.IsRunning(m_task));

    const std::string pidFile = services.FolderOf(m_task) + "/pid";
    const pid_t pid = std::stoi(ReadFile(pidFile));
    kill(pid, SIGKILL);
    ASSERT_TRUE(Eventually([&] { return !services.IsRunning(m_task); }));
    WriteFile(pidFile, std::to_string(getpid()) + "\n");
    EXPECT_FALSE(services.IsRunning(m_task));
    EXPECT_TRUE(services.Delete(m_task).Ok());
    EXPECT_FALSE(services.Exists(m_task));
}

// A service the desktop started at login has no pid on record; it is found and can be stopped.
TEST_F(RealtimeService, AutomaticStartIsAnAutostartEntryThatStartsTheService) {
    ThreeTargets();
    m_task.m_bServiceAutoStart = 1;
    tv::CRealtimeServices services = Services();
    ASSERT_TRUE(services.Create(m_task).Ok());
    const fs::path entry = m_home.ConfigHome() / "autostart/TwinvaleRealTask_7.desktop";
    const std::string text = ReadFile(entry);
    const std::string program = services.Places().m_strProgram;
    const std::string root = m_home.Root().string();
    EXPECT_NE(text.find("\nExec=\"" + program + "\" \"TwinvaleRealTask_7\" \"" + root +
                        "/my source\" \"" + root + "/target one\" \"" + root +
                        R"(/target \\"two\\"" ")" + root + R"(/target \\$three")" + "\n"),
              std::string::npos)
        << text;

    // As the desktop would start it: through a shell reading the entry's arguments.
    const std::string started = "'" + program + "' TwinvaleRealTask_7 '" +
                                m_task.m_Source.m_strPath + "' '" + m_task.m_Targets[0].m_strPath +
                                "' &";
    ASSERT_EQ(std::system(started.c_str()), 0);
    ASSERT_TRUE(Eventually([&] { return services.IsRunning(m_task); }));
    EXPECT_TRUE(services.Stop(m_task).Ok());

    m_task.m_bServiceAutoStart = 0;
    ASSERT_TRUE(services.Create(m_task).Ok());
    EXPECT_FALSE(fs::exists(entry));
}

TEST(DesktopExec, EveryReservedCharacterSurvivesQuoting) {
    EXPECT_EQ(tv::DesktopExecValue({"/a b/p", "x\"y`z$w\\v%u", "line\nbreak"}),
              R"("/a b/p" "x\\"y\\`z\\$w\\\\v%%u" "line\nbreak")");
}

// Only folders of this computer: nothing is written for any other location.
TEST_F(RealtimeService, OnlyLocalFoldersMakeAService) {
    tv::CRealtimeServices services = Services();
    const auto refused = [&](const tv::CElement& task) {
        const tv::CServiceResult result = services.Create(task);
        return result.m_status == ServiceStatus::NotLocal && !fs::exists(services.FolderOf(task));
    };
    m_task.m_Source.m_strPath = Folder("src");
    EXPECT_TRUE(refused(m_task)) << "no target";
    tv::CTag ftp;
    ftp.m_bIsFtp = 1;
    ftp.m_strHost = "example.org";
    m_task.m_Targets = {ftp};
    EXPECT_TRUE(refused(m_task)) << "an FTP target";
    tv::CTag local;
    local.m_strPath = "relative/folder";
    m_task.m_Targets = {local};
    EXPECT_TRUE(refused(m_task)) << "a relative path";
    local.m_strPath = Folder("dst");
    m_task.m_Targets = {local};
    m_task.m_dwOptions3 |= tv::opt3::kArchiveTarget;
    EXPECT_TRUE(refused(m_task)) << "an archive target";
    m_task.m_dwOptions3 &= ~tv::opt3::kArchiveTarget;
    EXPECT_TRUE(services.Create(m_task).Ok());
}

}  // namespace
