#include <gtest/gtest.h>

#include <sstream>

#include "app/CommandLine.h"
#include "app/Terminal.h"
#include "scan/TreeF.h"
#include "sync/Plan.h"
#include "task/Element.h"

namespace {

using tv::CMyComLineInfo;
using tv::StartKind;

CMyComLineInfo Parsed(const std::vector<std::string>& args) {
    CMyComLineInfo info;
    info.ParseAll(args);
    return info;
}

TEST(CommandLineTest, SwitchesAreCaseInsensitiveWithEitherLeadCharacter) {
    const auto info = Parsed({"-f:/Srv/Lists/Daily.TSL", "5", "3", "/s", "-R", "/c", "/M", "-d",
                              "/i", "/P:ftp.Example.org", "-t:Backup.Host", "/e"});
    EXPECT_EQ(info.m_strTaskList, "/Srv/Lists/Daily.TSL") << "the path keeps its case";
    EXPECT_EQ(info.m_TaskIds, (std::vector<int>{5, 3}));
    EXPECT_TRUE(info.m_bSilent && info.m_bReplace && info.m_bConsecutive);
    EXPECT_TRUE(info.m_bSimultaneous && info.m_bShutdown && info.m_bElevate);
    EXPECT_TRUE(info.m_bSourceHost && info.m_bTargetHost);
    EXPECT_EQ(info.m_strSourceHost, "ftp.Example.org");
    EXPECT_EQ(info.m_strTargetHost, "Backup.Host");
    EXPECT_TRUE(info.m_bRelaunched && info.m_bHasArguments);
    EXPECT_FALSE(info.m_bAll);
    EXPECT_TRUE(info.m_strFileToOpen.empty());
}

TEST(CommandLineTest, PathsNumbersAndFilesAreToldApart) {
    EXPECT_EQ(Parsed({"12"}).m_TaskIds, std::vector<int>{12});
    for (const char* file :
         {"12a", "012", "+5", "1.5", "99999999999", "/home/me/a.tsl", "/a/s", "/Stuff", "/S/"}) {
        const auto info = Parsed({file});
        EXPECT_EQ(info.m_strFileToOpen, file);
        EXPECT_TRUE(info.m_TaskIds.empty()) << file;
        EXPECT_FALSE(info.m_bSilent) << file;
    }
    const auto root = Parsed({"/F:/a"});
    EXPECT_EQ(root.m_strTaskList, "/a");
    EXPECT_TRUE(root.m_strFileToOpen.empty());
    for (const char* path : {"/a.tsl", "//", "/.", "/ab:c", "/1:x", "-", "/"}) {
        EXPECT_EQ(Parsed({path}).m_strFileToOpen, path);
    }
}

// An unknown switch is set aside: it is no list to open and no argument, so it changes
// neither a run of tasks nor the start without switches.
TEST(CommandLineTest, UnknownSwitchesAreSetAsideAndCountForNothing) {
    const auto info = Parsed({"/F:x", "/Q", "5", "-x", "/?", "/Z:/a/b", "-F", "--help", "/S"});
    EXPECT_EQ(info.m_UnknownSwitches,
              (std::vector<std::string>{"/Q", "-x", "/?", "/Z:/a/b", "-F", "--help"}));
    EXPECT_EQ(info.m_TaskIds, std::vector<int>{5});
    EXPECT_TRUE(info.m_strFileToOpen.empty());
    EXPECT_TRUE(info.m_bSilent);
    EXPECT_EQ(tv::DecideStart(info), StartKind::Unattended);

    const auto alone = Parsed({"/q", "-Z:x"});
    EXPECT_FALSE(alone.m_bHasArguments);
    EXPECT_EQ(tv::DecideStart(alone), StartKind::Interactive);
}

TEST(CommandLineTest, EveryStartWorksInItsOwnInstanceWithOrWithoutTheRelaunchMark) {
    for (const char* mark : {"", "/E", "-e"}) {
        const auto with = [mark](std::vector<std::string> args) {
            if (*mark) {
                args.push_back(mark);
            }
            return Parsed(args);
        };
        EXPECT_EQ(tv::DecideStart(with({})), StartKind::Interactive) << mark;
        EXPECT_FALSE(with({}).m_bHasArguments) << mark;
        EXPECT_EQ(tv::DecideStart(with({"/home/me/a.tsl"})), StartKind::Interactive) << mark;
        EXPECT_EQ(tv::DecideStart(with({"/F:x", "5"})), StartKind::Unattended) << mark;
        EXPECT_EQ(tv::DecideStart(with({"/A"})), StartKind::Unattended) << mark;
        EXPECT_EQ(tv::WantsElevation(with({"/F:x", "/A", "/I"})), *mark == '\0') << mark;
        EXPECT_FALSE(tv::WantsElevation(with({"/F:x", "/A"}))) << mark;
    }
}

TEST(CommandLineTest, SummaryCountsEveryTargetAndTheEnd) {
    tv::CElement task;
    task.m_nTaskId = 4;
    task.m_strName = "docs";
    task.m_Run.Begin(tv::RunKind::Synchronize, tv::pref::kDefault, 2);
    for (size_t i = 0; i < 2; ++i) {
        task.m_Run.SelectTarget(i);
        task.m_Run.Record(tv::CTaskInfor::CopiedFromSource, "a");
        task.m_Run.Record(tv::CTaskInfor::DeletedInTarget, "b");
    }
    task.m_Run.RecordError("disk full");
    task.m_Run.End(tv::RunEnd::Canceled);
    const std::string summary = tv::TaskSummary(task);
    EXPECT_NE(summary.find("Task ID: 4(docs) canceled"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Files copied  (from src/from target): 2 / 0"), std::string::npos);
    EXPECT_NE(summary.find("Files deleted (from src/from target): 0 / 2"), std::string::npos);
    EXPECT_NE(summary.find("Errors: 1"), std::string::npos);
}

TEST(CommandLineTest, WithoutATerminalNothingIsAskedAndAPreviewIsRefused) {
    std::ostringstream out;
    tv::CTerminal terminal(out, false, false);
    EXPECT_FALSE(terminal.CanAsk());
    tv::CTerminalPreview preview(terminal);
    tv::CElement task;
    tv::CTreeF root;
    root.files.emplace_back("new.txt", 3, tv::Side::Source, 0, 0, 0, true, false, tv::ACTION_COPY);
    tv::CPreviewRequest request;
    request.m_strCaption = "Task: 1  /a --> /b";
    EXPECT_FALSE(preview.ShowPreview(task, root, {}, request));
    EXPECT_NE(out.str().find("Files to copy from source (1 files"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("refused"), std::string::npos);
    terminal.Bar("x", 50);
    EXPECT_EQ(out.str().find('['), std::string::npos) << "no progress bar off a terminal";
}

}  // namespace
