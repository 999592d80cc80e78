// The comparison window on real folders: the listing arrives from its thread, the counts and
// the differences-only view follow it, and asking for a content check lists again.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>

#include "EventPump.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "ui/CompareWnd.h"
#include "uimodel/CompareStrings.h"

namespace {

namespace fs = std::filesystem;

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
    tv::CCompareArgs args;
    args.m_bSubfolders = true;
    args.m_left.m_strPath = l.string();
    args.m_right.m_strPath = r.string();
    tv::CCompareWnd window(args, tv::LocalFileSystem());
    int shown = 0;
    QObject::connect(&window, &tv::CCompareWnd::compared, [&] { ++shown; });
    window.show();
    window.Refresh();
    auto* counts = window.findChild<QLabel*>("counts");
    EXPECT_EQ(counts->text(), "Listing folders...");
    ASSERT_TRUE(tvtest::PumpUntil([&] { return shown == 1; }));

    auto* tree = window.findChild<QTreeWidget*>("compareTree");
    EXPECT_EQ(Rows(tree->invisibleRootItem()), 4);  // a, a/same, extra, twin
    EXPECT_TRUE(counts->text().startsWith("Same: 3   Only left: 0   Only right: 1"))
        << counts->text().toStdString();
    window.findChild<QCheckBox*>("onlyDifferences")->setChecked(true);
    ASSERT_EQ(Rows(tree->invisibleRootItem()), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(4), "extra");
    EXPECT_TRUE(tree->topLevelItem(0)->text(0).isEmpty());

    // Equal times and sizes hide the changed byte until the contents are read.
    window.findChild<QCheckBox*>("binaryCheck")->setChecked(true);
    ASSERT_TRUE(tvtest::PumpUntil([&] { return shown == 2; }));
    EXPECT_EQ(Rows(tree->invisibleRootItem()), 2);
    EXPECT_TRUE(counts->text().endsWith("Other content: 1")) << counts->text().toStdString();
}

}  // namespace
