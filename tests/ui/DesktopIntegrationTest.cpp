// The program as the desktop knows it: the name it gives its windows leads to the shipped
// desktop entry, that entry opens task lists, and the desktop's MIME database, given the
// shipped type, takes a list this program writes for one, by its name and by its content.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMimeDatabase>

#include <filesystem>
#include <regex>

#include "support/TestEnv.h"
#include "task/TaskList.h"
#include "ui/GuiMain.h"

namespace {

namespace fs = std::filesystem;

const fs::path kShare = fs::path(TWINVALE_SOURCE_DIR) / "share";
constexpr char kListType[] = "application/x-twinvale-tasklist";

// The value of `key` in the [Desktop Entry] group of the desktop entry at `path`.
std::string EntryValue(const fs::path& path, const std::string& key) {
    const std::regex line("(^|\n)" + key + "=([^\n]*)");
    const std::string entry = tvtest::ReadFile(path);
    std::smatch found;
    return std::regex_search(entry, found, line) ? found[2].str() : std::string();
}

TEST(DesktopIntegration, TheWindowsLeadToADesktopEntryThatOpensTaskLists) {
    tv::NameApplication();
    const fs::path entry =
        kShare / "applications" / (QGuiApplication::desktopFileName().toStdString() + ".desktop");
    ASSERT_TRUE(fs::exists(entry)) << entry;
    EXPECT_TRUE(fs::exists(kShare / "icons" / (EntryValue(entry, "Icon") + ".svg")));
    EXPECT_NE(EntryValue(entry, "MimeType").find(std::string(kListType) + ";"), std::string::npos);
    // The file manager hands over the list as a path the program takes for a list to open.
    EXPECT_EQ(EntryValue(entry, "Exec"), "mirrant %f");

    const std::string info =
        tvtest::ReadFile(kShare / "metainfo/org.orbelin.twinvale.metainfo.xml");
    EXPECT_NE(info.find("<launchable type=\"desktop-id\">" + entry.filename().string()),
              std::string::npos);
    EXPECT_NE(info.find(std::string("<mediatype>") + kListType), std::string::npos);
}

// The database is read once per process: this must be the process's first look at it.
TEST(DesktopIntegration, TheMimeDatabaseKnowsTaskListsByNameAndByContent) {
    tvtest::CIsolatedHome home;
    fs::create_directories(home.DataHome() / "mime/packages");
    fs::copy_file(kShare / "mime/packages/twinvale.xml",
                  home.DataHome() / "mime/packages/twinvale.xml");
    tv::CTaskList empty;
    tv::CTaskList full;
    full.m_Tasks.push_back(std::make_unique<tv::CElement>());
    for (auto* list : {&empty, &full}) {
        const std::vector<uint8_t> bytes = list->Store();
        tvtest::WriteFile(home.Root() / (list == &empty ? "empty" : "full"),
                          std::string(bytes.begin(), bytes.end()));
    }
    tvtest::WriteFile(home.Root() / "notes", "590 tasks to do\n");

    const QMimeDatabase db;
    const auto type = [&](const std::string& name, QMimeDatabase::MatchMode mode) {
        return db.mimeTypeForFile(QString::fromStdString((home.Root() / name).string()), mode)
            .name()
            .toStdString();
    };
    EXPECT_EQ(type("empty", QMimeDatabase::MatchContent), kListType);
    EXPECT_EQ(type("full", QMimeDatabase::MatchContent), kListType);
    EXPECT_NE(type("notes", QMimeDatabase::MatchContent), kListType);
    EXPECT_EQ(type("Backups.tsl", QMimeDatabase::MatchExtension), kListType);
}

}  // namespace
