// The program as the desktop knows it: the name it gives its windows leads to the shipped
// desktop entry, which opens task lists, and the desktop's MIME database, given the shipped
// type, takes a list this program writes for one, by its name and by its content.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMimeDatabase>

#include <filesystem>

#include "support/TestEnv.h"
#include "task/TaskList.h"
#include "ui/GuiMain.h"

namespace {

namespace fs = std::filesystem;

TEST(DesktopIntegration, TheDesktopEntryOpensTaskListsThatTheMimeDatabaseKnows) {
    const fs::path share = fs::path(TWINVALE_SOURCE_DIR) / "share";
    const std::string type = "application/x-twinvale-tasklist";
    tv::NameApplication();
    const std::string entry = tvtest::ReadFile(
        share / "applications" / (QGuiApplication::desktopFileName() + ".desktop").toStdString());
    EXPECT_NE(entry.find("\nMimeType=" + type + ";\n"), std::string::npos) << entry;

    // The database is read once per process: this is the process's first look at it.
    tvtest::CIsolatedHome home;
    fs::create_directories(home.DataHome() / "mime/packages");
    fs::copy_file(share / "mime/packages/twinvale.xml",
                  home.DataHome() / "mime/packages/twinvale.xml");
    tv::CTaskList lists[2];
    lists[1].m_Tasks.push_back(std::make_unique<tv::CElement>());
    const QMimeDatabase db;
    for (auto& list : lists) {
        const std::vector<uint8_t> bytes = list.Store();
        tvtest::WriteFile(home.Root() / "list", std::string(bytes.begin(), bytes.end()));
        EXPECT_EQ(db.mimeTypeForFile(QString::fromStdString((home.Root() / "list").string()),
                                     QMimeDatabase::MatchContent)
                      .name()
                      .toStdString(),
                  type);
    }
    EXPECT_EQ(db.mimeTypeForFile("Backups.tsl", QMimeDatabase::MatchExtension).name().toStdString(),
              type);
}

}  // namespace
