#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "app/CommandLine.h"
#include "base/Utf.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "task/Element.h"
#include "uimodel/DesktopShortcut.h"
#include "uimodel/DialogStrings.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using tv::ShortcutResult;

// The value of `key` in a desktop entry, with the escapes of a string value undone.
std::optional<std::string> Value(const std::string& entry, const std::string& key) {
    std::istringstream in(entry);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) != 0) {
            continue;
        }
        std::string out;
        for (size_t i = key.size() + 1; i < line.size(); ++i) {
            if (line[i] != '\\') {
                out += line[i];
                continue;
            }
            const char next = i + 1 < line.size() ? line[++i] : '\0';
            const std::string from = "sntr\\", to = " \n\t\r\\";
            if (from.find(next) == std::string::npos) {
                ADD_FAILURE() << "undefined escape \\" << next;
                return std::nullopt;
            }
            out += to[from.find(next)];
        }
        return out;
    }
    return std::nullopt;
}

// The argument vector of an Exec value, read by the rules a desktop applies: blanks part the
// arguments; an argument with a reserved character must be quoted whole; inside the quotes
// only '"', '`', '$' and '\' may follow a backslash; "%%" is a percent sign and no other
// field code may appear.
std::vector<std::string> ExecArgv(const std::string& exec) {
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::vector<std::string> argv;
    size_t i = 0;
    while (i < exec.size()) {
        if (exec[i] == ' ') {
            ++i;
            continue;
        }
        std::string arg;
        if (exec[i] == '"') {
            for (++i; i < exec.size() && exec[i] != '"'; ++i) {
                if (exec[i] == '\\') {
                    ++i;
                    EXPECT_NE(std::string("\"`$\\").find(exec[i]), std::string::npos)
                        << "backslash before " << exec[i];
                }
                arg += exec[i];
            }
            EXPECT_LT(i, exec.size()) << "unclosed quote";
            ++i;
            EXPECT_TRUE(i == exec.size() || exec[i] == ' ') << "argument not quoted whole";
        } else {
            for (; i < exec.size() && exec[i] != ' '; ++i) {
                EXPECT_EQ(reserved.find(exec[i]), std::string::npos) << "unquoted " << exec[i];
                arg += exec[i];
            }
        }
        std::string expanded;
        for (size_t k = 0; k < arg.size(); ++k) {
            if (arg[k] == '%') {
                EXPECT_EQ(arg[k + 1], '%') << "field code in " << arg;
                ++k;
            }
            expanded += arg[k];
        }
        argv.push_back(expanded);
    }
    return argv;
}

const std::string kNastyList =
    "/home/a b/\"quoted\" 'single' $HOME ${X} `date` %f 100%%/back\\slash\\/"
    "semi;amp&pipe|<in>~*?#(x)/new\nline\ttab\rcr/Ünïcødé  two  blanks.tsl";
const std::string kNastyProgram = "/opt/my apps/$bin/\"q\"/%u\\/mirrant";

TEST(DesktopEntry, ExecGivesTheCommandLineExactlyTheListAndTheTask) {
    for (const auto& [list, program] : std::vector<std::pair<std::string, std::string>>{
             {"/home/user/TLists/plain.tsl", "/usr/bin/mirrant"},
             {kNastyList, kNastyProgram},
             {" lead", "/a\\\\b"}}) {
        SCOPED_TRACE(list);
        const std::string entry = tv::TaskDesktopEntry("Backup", 42, list, program);
        const auto exec = Value(entry, "Exec");
        ASSERT_TRUE(exec);
        const auto argv = ExecArgv(*exec);
        ASSERT_EQ(argv.size(), 3u);
        EXPECT_EQ(argv[0], program);

        tv::CMyComLineInfo info;
        info.ParseAll({argv.begin() + 1, argv.end()});
        EXPECT_TRUE(info.m_UnknownSwitches.empty());
        EXPECT_EQ(info.m_strTaskList, list);
        EXPECT_EQ(info.m_TaskIds, std::vector<int>{42});
        EXPECT_TRUE(info.m_strFileToOpen.empty());
    }
}

TEST(DesktopEntry, IsOneLinePerKeyWithTheTaskNameAndTheLauncherKeys) {
    tv::AddDialogStrings();
    const std::string name = " Täglich\n\"Sicherung\" \\ 50%";
    const std::string entry = tv::TaskDesktopEntry(name, 7, kNastyList, kNastyProgram);
    EXPECT_TRUE(tv::IsValidUtf8(entry));
    std::istringstream in(entry);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "[Desktop Entry]");
    while (std::getline(in, line)) {
        EXPECT_NE(line.find('='), std::string::npos) << line;
        for (const unsigned char c : line) {
            EXPECT_FALSE(c < 0x20 || c == 0x7f) << "control character in " << line;
        }
    }
    EXPECT_EQ(Value(entry, "Name"), name);
    EXPECT_EQ(Value(entry, "Type"), "Application");
    EXPECT_EQ(Value(entry, "Comment"), "Twinvale task");
    EXPECT_EQ(Value(entry, "Icon"), "twinvale");
    EXPECT_EQ(Value(entry, "Terminal"), "false");
}

TEST(DesktopEntry, PathsThatNoEntryCanHoldGiveNoEntry) {
    EXPECT_EQ(tv::TaskDesktopEntry("t", 1, "/x/\xff\xfe.tsl", "/usr/bin/mirrant"), "");
    EXPECT_EQ(tv::TaskDesktopEntry("t", 1, "/x/bell\a.tsl", "/usr/bin/mirrant"), "");
    EXPECT_EQ(tv::TaskDesktopEntry("t", 1, "/x/l.tsl", "/usr/bin/\x1b[1mmirrant"), "");
    EXPECT_EQ(tv::TaskDesktopEntry("bad \xc3", 1, "/x/l.tsl", "/usr/bin/mirrant"), "");
}

TEST(DesktopEntry, FileNamesStayOneNameInTheFolder) {
    EXPECT_EQ(tv::TaskDesktopFileName("Photos"), "Photos.desktop");
    EXPECT_EQ(tv::TaskDesktopFileName("a/b/../c"), "a_b_.._c.desktop");
    EXPECT_EQ(tv::TaskDesktopFileName(".."), "task.desktop");
    EXPECT_EQ(tv::TaskDesktopFileName(""), "task.desktop");
    EXPECT_EQ(tv::TaskDesktopFileName(".hidden"), "_hidden.desktop");
    EXPECT_EQ(tv::TaskDesktopFileName("two\nlines"), "two_lines.desktop");

    std::string longName;
    for (int i = 0; i < 150; ++i) {
        longName += "ü";  // two bytes each
    }
    longName.insert(0, "x");  // so that byte 200 falls inside a character
    const std::string file = tv::TaskDesktopFileName(longName);
    EXPECT_LE(file.size(), 255u - 20u);
    EXPECT_TRUE(tv::IsValidUtf8(file));
    EXPECT_TRUE(file.ends_with("ü.desktop"));
}

// desktop-file-validate, where it is installed, has the last word on what desktops accept.
TEST(DesktopEntry, PassesTheValidator) {
    if (tv::FindOnPath("desktop-file-validate").empty()) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
    tv::AddDialogStrings();
    tvtest::CTempDir dir;
    const fs::path file = dir / "task.desktop";
    const std::string entry =
        tv::TaskDesktopEntry(" Täglich \"50%\"", 7, kNastyList, kNastyProgram);
    tvtest::WriteFile(file, entry);
    EXPECT_EQ(tv::RunProgram({"desktop-file-validate", file.string()}), 0) << entry;
    const fs::path shipped = fs::path(TWINVALE_SOURCE_DIR) / "share/applications/twinvale.desktop";
    EXPECT_EQ(tv::RunProgram({"desktop-file-validate", shipped.string()}), 0);
}

class ShortcutFileTest : public ::testing::Test {
  protected:
    ShortcutFileTest() {
        tv::AddDialogStrings();
        m_task.m_strName = "Photos";
        m_task.m_nTaskId = 5;
    }

    tvtest::CIsolatedHome m_home;
    tvtest::CScriptedDialogs m_dialogs;
    tv::CElement m_task;
};

TEST_F(ShortcutFileTest, WritesAnExecutableLauncherAndAsksBeforeReplacingOne) {
    const std::string desktop = (m_home.Root() / "Desk top").string();
    const fs::path file = fs::path(desktop) / "Photos.desktop";
    ASSERT_EQ(tv::WriteTaskShortcut(tv::LocalFileSystem(), m_task, "/l.tsl", "/bin/mirrant",
                                    desktop, m_dialogs),
              ShortcutResult::Written);
    EXPECT_TRUE(m_dialogs.m_asked.empty());
    EXPECT_EQ(tvtest::ReadFile(file), tv::TaskDesktopEntry("Photos", 5, "/l.tsl", "/bin/mirrant"));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0100, 0100u);

    m_task.m_nTaskId = 6;
    m_dialogs.m_answers = {tv::PromptAnswer::No};
    EXPECT_EQ(tv::WriteTaskShortcut(tv::LocalFileSystem(), m_task, "/l.tsl", "/bin/mirrant",
                                    desktop, m_dialogs),
              ShortcutResult::Kept);
    EXPECT_EQ(m_dialogs.m_asked,
              std::vector<std::string>{"Shortcut already exists. Do you want to overwrite it?"});
    EXPECT_NE(tvtest::ReadFile(file).find(" 5\n"), std::string::npos);

    m_dialogs.m_answers = {tv::PromptAnswer::Yes};
    EXPECT_EQ(tv::WriteTaskShortcut(tv::LocalFileSystem(), m_task, "/l.tsl", "/bin/mirrant",
                                    desktop, m_dialogs),
              ShortcutResult::Written);
    EXPECT_NE(tvtest::ReadFile(file).find(" 6\n"), std::string::npos);
}

TEST_F(ShortcutFileTest, FailsWithoutWritingWhenTheEntryOrTheFolderCannotBeMade) {
    const fs::path desktop = m_home.Root() / "Desktop";
    EXPECT_EQ(tv::WriteTaskShortcut(tv::LocalFileSystem(), m_task, "/\xff.tsl", "/bin/mirrant",
                                    desktop, m_dialogs),
              ShortcutResult::Failed);
    EXPECT_FALSE(fs::exists(desktop / "Photos.desktop"));

    tvtest::WriteFile(m_home.Root() / "file", "x");
    EXPECT_EQ(tv::WriteTaskShortcut(tv::LocalFileSystem(), m_task, "/l.tsl", "/bin/mirrant",
                                    (m_home.Root() / "file" / "Desktop").string(), m_dialogs),
              ShortcutResult::Failed);
    EXPECT_TRUE(m_dialogs.m_asked.empty());
}

// The launcher's command line, run as a desktop would run it, runs the task of the list.
TEST_F(ShortcutFileTest, TheLauncherRunsTheTaskThroughTheRealProgram) {
    // The tests live in <build>/tests, the program in <build>/src.
    const fs::path mirrant =
        fs::path(tv::OwnExecutable()).parent_path().parent_path() / "src" / "mirrant";
    if (!fs::exists(mirrant)) {
        GTEST_SKIP() << "the program is not built";
    }
    // Without a display the run reports to the terminal instead of waiting for its windows.
    unsetenv("QT_QPA_PLATFORM");
    const fs::path nasty = m_home.Root() / "my \"lists\" $HOME `x` %f\\ it's";
    fs::create_directories(m_home.Root() / "src");
    fs::create_directories(nasty);
    fs::create_directories(m_home.Root() / "dst");
    tvtest::WriteFile(m_home.Root() / "src" / "a.txt", "hello");
    const nlohmann::json task = {
        {"m_nTaskId", 9},
        {"m_strName", "launcher"},
        {"m_dwOptions", 0x21},
        {"m_dwOptions3", 0xC00},
        {"m_Source", {{"m_strPath", (m_home.Root() / "src").string()}}},
        {"m_Targets", {{{"m_strPath", (m_home.Root() / "dst").string()}}}}};
    tvtest::WriteFile(m_home.Root() / "list.json",
                      nlohmann::json{{"version", "590"}, {"tasks", {task}}}.dump());
    const std::string list = (nasty / "daily list.tsl").string();

    const auto run = [&](std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        pid_t pid = 0;
        int status = -1;
        if (posix_spawn(&pid, mirrant.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            waitpid(pid, &status, 0);
        }
        posix_spawn_file_actions_destroy(&actions);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(run({mirrant.string(), "--make-list", (m_home.Root() / "list.json").string(), list}),
              0);

    const std::string entry = tv::TaskDesktopEntry("launcher", 9, list, mirrant.string());
    const auto exec = Value(entry, "Exec");
    ASSERT_TRUE(exec);
    EXPECT_EQ(run(ExecArgv(*exec)), 0);
    EXPECT_EQ(tvtest::ReadFile(m_home.Root() / "dst" / "a.txt"), "hello");
}

}  // namespace
