#include <signal.h>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "tvservice/ServiceSupport.h"

namespace livetest {

namespace {

// The service runs without a window, yet the user chose German in the window.
class ServiceLanguage : public LiveTest {
  protected:
    ServiceLanguage() {
        tv::CProfile profile(tv::LocalFileSystem());
        EXPECT_TRUE(profile.WriteProfileString("", "curlang", "Deutsch"));
    }
    // Starts the service, waits for the line it logs first (`started`), and copies one file.
    void RunUntilACopy(const std::string& started, const std::string& copied) {
        const fs::path source = Dir("src");
        CService service({kName, source.string(), Dir("dst").string()}, m_home.Root() / "err");
        EXPECT_TRUE(WaitUntil([&] { return Log().find(started) != std::string::npos; }, 10s))
            << Log();
        tvtest::WriteFile(source / "a.txt", "alpha");
        EXPECT_TRUE(WaitUntil([&] { return Log().find(copied) != std::string::npos; }, 10s))
            << Log();
        EXPECT_EQ(service.Stop(SIGTERM, 10s), 0);
    }
};

TEST_F(ServiceLanguage, LogsInTheLanguageChosenInTheWindow) {
    RunUntilACopy("Echtzeit-Synchronisation von", "Kopiert: ");
    EXPECT_EQ(Log().find("refused"), std::string::npos) << Log();
}

TEST_F(ServiceLanguage, WithoutItsFileLogsInEnglishAndSaysWhyOnce) {
    tv::CProfile profile(tv::LocalFileSystem());
    EXPECT_TRUE(profile.WriteProfileString("", "path", Dir("empty").string() + "/"));
    RunUntilACopy("Real-time synchronization of", "Copied ");
    const std::string log = Log();
    const size_t why = log.find("The language Deutsch was chosen, but no readable file");
    EXPECT_NE(why, std::string::npos) << log;
    EXPECT_EQ(log.find("The language Deutsch", why + 1), std::string::npos) << log;
}

}  // namespace

}  // namespace livetest
