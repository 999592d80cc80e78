// The comparison window on real folders: the listing arrives from its thread, the counts and
// the differences-only view follow it, and asking for a content check lists again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <QElapsedTimer>
#include <chrono>
#include <filesystem>

#include "EventPump.h"
#include "Mnemonics.h"
#include "platform/FileSystem.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/CompareWnd.h"
#include "uimodel/CompareStrings.h"
#include "uimodel/Languages.h"

namespace {

namespace fs = std::filesystem;

// Both sides with their subfolders, as the launcher passes them.
tv::CCompareArgs Sides(const fs::path& left, const fs::path& right) {
    tv::CCompareArgs args;
    args.m_bSubfolders = true;
    args.m_left.m_strPath = left.string();
    args.m_right.m_strPath = right.string();
    return args;
}

int Rows(const QTreeWidgetItem* item) {
    int n = 0;
    for (int i = 0; i < item->childCount(); ++i) {
        n += 1 + Rows(item->child(i));
    }
    return n;
}

TEST(CompareWnd, ShowsTheListingItsCountsAndOnlyTheDifferencesWhenAsked) {
    tv::AddCompareStrings();
    tvtest::CIsolatedHome home;
    const fs::path l = home.Root() / "L";
    const fs::path r = home.Root() / "R";
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(3);
    for (const auto& [path, text] : {std::pair{l / "a/same", "1"},
                                     {r / "a/same", "1"},
                                     {l / "twin", "abcd"},
                                     {r / "twin", "abce"},
                                     {r / "extra", "x"}}) {
        fs::create_directories(path.parent_path());
        tvtest::WriteFile(path, text);
        fs::last_write_time(path, then);
    }
    const tv::CCompareArgs args = Sides(l, r);
    tvtest::CScriptedDialogs dialogs;
    tv::CCompareWnd window(args, tv::LocalFileSystem(), dialogs);
    int shown = 0;
    QObject::connect(&window, &tv::CCompareWnd::compared, [&] { ++shown; });
    window.show();
    window.Refresh();
    auto* counts = window.findChild<QLabel*>("counts");
    EXPECT_TRUE(counts->text().startsWith("Listing folders... ")) << counts->text().toStdString();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return shown == 1; }));

    auto* tree = window.findChild<QTreeWidget*>("compareTree");
    EXPECT_EQ(Rows(tree->invisibleRootItem()), 4);  // a, a/same, extra, twin
    EXPECT_TRUE(counts->text().startsWith("Same: 3   Only left: 0   Only right: 1"))
        << counts->text().toStdString();
    window.findChild<QCheckBox*>("onlyDifferences")->setChecked(true);
    ASSERT_TRUE(tvtest::PumpUntil([&] { return Rows(tree->invisibleRootItem()) == 1; }));
    EXPECT_EQ(tree->topLevelItem(0)->text(4), "extra");
    EXPECT_TRUE(tree->topLevelItem(0)->text(0).isEmpty());

    // Equal times and sizes hide the changed byte until the contents are read.
    window.findChild<QCheckBox*>("binaryCheck")->setChecked(true);
    ASSERT_TRUE(tvtest::PumpUntil([&] { return shown == 2; }));
    EXPECT_EQ(Rows(tree->invisibleRootItem()), 2);
    EXPECT_TRUE(counts->text().endsWith("Other content: 1")) << counts->text().toStdString();
}

QTreeWidgetItem* Find(QTreeWidget* tree, const QString& name) {
    const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.front();
}

// Picking rows and copying or deleting them: the buttons follow the selection, a delete is
// asked about and a No changes nothing, and the rows show what the disk holds afterwards.
TEST(CompareWnd, CopiesAndDeletesThePickedRowsAfterAsking) {
    tv::AddCompareStrings();
    tvtest::CIsolatedHome home;
    const fs::path l = home.Root() / "L";
    const fs::path r = home.Root() / "R";
    fs::create_directories(l / "folder");
    fs::create_directories(r);
    tvtest::WriteFile(l / "folder/a.txt", "a");
    tvtest::WriteFile(l / "b.txt", "b");
    const tv::CCompareArgs args = Sides(l, r);
    tvtest::CScriptedDialogs dialogs;
    tv::CCompareWnd window(args, tv::LocalFileSystem(), dialogs);
    int shown = 0;
    int acted = 0;
    QObject::connect(&window, &tv::CCompareWnd::compared, [&] { ++shown; });
    QObject::connect(&window, &tv::CCompareWnd::acted, [&] { ++acted; });
    window.show();
    window.Refresh();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return shown == 1; }));
    auto* tree = window.findChild<QTreeWidget*>("compareTree");
    tvtest::ExpectDistinctMnemonics(window, 6);
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    languages.LoadFrom({TWINVALE_BINARY_DIR "/src/Inter/Synch"});
    ASSERT_TRUE(languages.Select(languages.SlotOf("Deutsch")));
    {
        tv::CCompareWnd german(args, tv::LocalFileSystem(), dialogs);
        tvtest::ExpectDistinctMnemonics(german, 6);
    }
    languages.Select(0);
    auto* copyRight = window.findChild<QPushButton*>("action0");
    auto* deleteLeft = window.findChild<QPushButton*>("action2");
    EXPECT_FALSE(copyRight->isEnabled());

    Find(tree, "folder")->setSelected(true);
    ASSERT_TRUE(copyRight->isEnabled());
    copyRight->click();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return acted == 1; }));
    EXPECT_EQ(tvtest::ReadFile(r / "folder/a.txt"), "a");
    EXPECT_EQ(Find(tree, "a.txt")->text(3), "=");
    EXPECT_EQ(Find(tree, "a.txt")->text(4).trimmed(), "a.txt");
    EXPECT_EQ(Find(tree, "b.txt")->text(3), QString::fromUtf8("\u2192"));

    Find(tree, "folder")->setSelected(true);
    Find(tree, "b.txt")->setSelected(true);
    dialogs.m_answers = {tv::PromptAnswer::No, tv::PromptAnswer::Yes};
    deleteLeft->click();
    EXPECT_TRUE(fs::exists(l / "b.txt"));
    deleteLeft->click();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return acted == 2; }));
    EXPECT_FALSE(fs::exists(l / "b.txt"));
    EXPECT_FALSE(fs::exists(l / "folder"));
    EXPECT_TRUE(fs::exists(r / "folder/a.txt"));
    ASSERT_EQ(dialogs.m_asked.size(), 2u);
    EXPECT_EQ(dialogs.m_asked[0],
              "Items to delete from the left side: 2. Selected folders go with everything in "
              "them. Delete them?");
    EXPECT_EQ(Rows(tree->invisibleRootItem()), 2);  // folder, folder/a.txt: only on the right
}

// A folder in memory where the machine has one: making a hundred thousand files on a
// journaling disk takes far longer than comparing them.
fs::path FastFolder() {
    std::string pattern =
        ((access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path()) /
         "twinvale-big-XXXXXX")
            .string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

// While a hundred thousand files on each side are listed, the window keeps answering, counts
// what it has listed, and can be canceled; the listing shows whole in the end.
TEST(CompareWnd, AHundredThousandFilesNeverFreezeTheWindow) {
    tv::AddCompareStrings();
    tvtest::CIsolatedHome home;
    const fs::path big = FastFolder();
    ASSERT_FALSE(big.empty());
    for (int d = 0; d < 100; ++d) {
        const std::string folder = "d" + std::to_string(d);
        fs::create_directories(big / "L" / folder);
        fs::create_directories(big / "R" / folder);
        for (int i = 0; i < 1000; ++i) {
            for (const char* side : {"L", "R"}) {
                const fs::path file = big / side / folder / std::to_string(i);
                ::close(::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
            }
        }
    }
    const tv::CCompareArgs args = Sides(big / "L", big / "R");
    tvtest::CScriptedDialogs dialogs;
    tv::CCompareWnd window(args, tv::LocalFileSystem(), dialogs);
    int shown = 0;
    QObject::connect(&window, &tv::CCompareWnd::compared, [&] { ++shown; });
    window.show();
    auto* counts = window.findChild<QLabel*>("counts");
    auto* cancel = window.findChild<QPushButton*>("cancelButton");

    window.Refresh();
    EXPECT_TRUE(cancel->isVisible());
    QElapsedTimer gap;
    gap.start();
    qint64 longest = 0;
    bool counting = false;
    ASSERT_TRUE(tvtest::PumpUntil([&] {
        longest = std::max(longest, gap.restart());
        counting = counting || (counts->text().startsWith("Listing folders... ") &&
                                !counts->text().endsWith(" 0 entries"));
        return shown == 1;
    }));
    EXPECT_TRUE(counting);
    EXPECT_LT(longest, 1000) << "the window waited that long (ms) for the listing";
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(counts->text().startsWith("Same: 100100 ")) << counts->text().toStdString();

    window.Refresh();
    cancel->click();
    ASSERT_TRUE(tvtest::PumpUntil([&] { return shown == 2; }));
    EXPECT_EQ(counts->text(), "The comparison was canceled.");
    std::error_code ec;
    fs::remove_all(big, ec);
}

}  // namespace
