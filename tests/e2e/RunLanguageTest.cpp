#include <gtest/gtest.h>

#include "e2e/RunTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"

namespace runtest {

namespace {

using tvtest::WriteFile;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Runs started by the scheduler have no window, yet the user chose German in the window.
class RunLanguageTest : public RunTest {
  protected:
    RunLanguageTest() {
        tv::CProfile profile(tv::LocalFileSystem());
        EXPECT_TRUE(profile.WriteProfileString("", "curlang", "Deutsch"));
        WriteFile(Dir("src") / "a.txt", "alpha");
        WriteFile(Dir("src") / "b.txt", "beta");
        m_strList = MakeList({Task(5, Dir("src"), {Dir("dst")})});
    }
    // Makes the program look for its language files in `folder` instead of beside itself.
    static void ProgramFolderIs(const fs::path& folder) {
        tv::CProfile profile(tv::LocalFileSystem());
        EXPECT_TRUE(profile.WriteProfileString("", "path", folder.string() + "/"));
    }

    void EmptyTarget() {
        fs::remove_all(Dir("dst"));
        Dir("dst");
    }

    std::string m_strList;
};

TEST_F(RunLanguageTest, LogsInTheLanguageChosenInTheWindow) {
    const CRun run = Mirrant({"/F:" + m_strList, "5"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_NE(Log(5).find("Kopierte Dateien insgesamt: 2"), std::string::npos) << Log(5);
    EXPECT_EQ(run.m_err.find("warning"), std::string::npos) << run.m_err;
}

// No file of the language, or only a damaged one (not a language file, or one whose texts do
// not fit the program's): the run still does its work, in English where it must, and says why
// once.
TEST_F(RunLanguageTest, AMissingOrDamagedLanguageFileFallsBackToEnglishWithOneWarning) {
    const fs::path program = Dir("program");
    fs::create_directories(program / "Inter/Synch");
    ProgramFolderIs(program);
    for (const std::string& content : {std::string(), std::string("\x7f"
                                                                  "ELF\0\0\x01",
                                                                  7)}) {
        if (!content.empty()) {
            WriteFile(program / "Inter/Synch/German.lang", content);
        }
        EmptyTarget();
        const CRun run = Mirrant({"/F:" + m_strList, "5"});
        EXPECT_EQ(run.m_exit, 0) << run.m_err;
        EXPECT_NE(Log(5).find("Total files copied: 2"), std::string::npos) << Log(5);
        EXPECT_EQ(Count(run.m_err, "The language Deutsch was chosen, but no readable file of it"),
                  1u)
            << run.m_err;
    }

    WriteFile(program / "Inter/Synch/German.lang",
              "456=Deutsch\n507=Kopiert: %s von %s\n133=Von der Quelle kopiert (%d):\n");
    EmptyTarget();
    const CRun run = Mirrant({"/F:" + m_strList, "5"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_NE(Log(5).find("Total files copied: 2"), std::string::npos) << Log(5);
    EXPECT_NE(Log(5).find("Von der Quelle kopiert (2):"), std::string::npos) << Log(5);
    EXPECT_EQ(Count(run.m_err, "1 text was refused"), 1u) << run.m_err;
}

}  // namespace

}  // namespace runtest
