// Copying and deleting from the comparison window on real trees: what lands where, what is
// refused because it changed since the listing, what a failing disk leaves behind, and rows
// compared again that agree with a whole new comparison.
#include <cerrno>
#include <chrono>

#include "CompareTestSupport.h"
#include "MainTestSupport.h"
#include "support/FaultFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "uimodel/CompareActions.h"
#include "uimodel/CompareModel.h"
#include "uimodel/CompareStrings.h"

namespace {

using namespace tvtest;
using tv::CompareAction;
using tv::CompareMark;

class CompareActions : public ::testing::Test {
  protected:
    CompareActions() {
        tv::AddCompareStrings();
        m_args.m_bSubfolders = true;
        m_args.m_left.m_strPath = (m_home.Root() / "L").string() + "/";
        m_args.m_right.m_strPath = (m_home.Root() / "R").string();
        fs::create_directories(m_home.Root() / "L");
        fs::create_directories(m_home.Root() / "R");
    }
    fs::path At(const std::string& rel) { return m_home.Root() / rel; }
    void Put(const std::string& rel, const std::string& text, int ageHours = 1) {
        fs::create_directories(At(rel).parent_path());
        WriteFile(At(rel), text);
        fs::last_write_time(At(rel), m_now - std::chrono::hours(ageHours));
    }
    void List(tv::IFileSystem& fs = tv::LocalFileSystem()) {
        m_result = tv::CompareTrees(m_args, tv::ContentCheck::Binary, fs);
        ASSERT_TRUE(m_result.m_bListed) << m_result.m_strError;
    }
    // Acts on the picked rows and compares them again, as the window does.
    tv::CActionOutcome Act(CompareAction action, const std::vector<tv::CRowKey>& keys,
                           tv::IFileSystem& fs = tv::LocalFileSystem()) {
        const auto picked = tv::PickedRows(m_result.m_rows, keys);
        EXPECT_EQ(picked.size(), keys.size());
        auto outcome =
            tv::PerformCompareAction(m_args, action, m_result.m_rows, picked, fs, nullptr);
        tv::RecompareRows(m_args, tv::ContentCheck::Binary, keys, fs, m_result);
        return outcome;
    }
    // The rows compared again must read exactly as a whole new comparison does.
    void ExpectFreshComparison() {
        const auto fresh =
            tv::CompareTrees(m_args, tv::ContentCheck::Binary, tv::LocalFileSystem());
        EXPECT_EQ(Shown(m_result.m_rows), Shown(fresh.m_rows));
        EXPECT_EQ(m_result.m_counts, fresh.m_counts);
    }

    CIsolatedHome m_home;
    const fs::file_time_type m_now = fs::file_time_type::clock::now();
    tv::CCompareArgs m_args;
    tv::CCompareResult m_result;
};

TEST_F(CompareActions, CopiesEitherWayWithTheirTimesAndTheRowsAgreeWithANewComparison) {
    Put("L/photos/2026/a.jpg", "aaa", 3);
    Put("L/photos/2026/b.jpg", "bbb", 3);
    Put("L/notes.txt", "new notes", 1);
    Put("R/notes.txt", "old", 9);
    Put("R/older-here.txt", "older right", 9);
    Put("L/older-here.txt", "newer left", 1);
    Put("R/only-right/deep/r.txt", "r", 2);
    Put("L/same.txt", "same", 5);
    Put("R/same.txt", "same", 5);
    Put("L/deep/only/left.txt", "l", 4);
    List();

    // A folder, a file, and a file alone deep below a folder the right side lacks.
    auto outcome = Act(CompareAction::CopyToRight,
                       {{"photos", true}, {"notes.txt", false}, {"deep/only/left.txt", false}});
    EXPECT_TRUE(outcome.m_errors.empty()) << outcome.m_errors.front();
    EXPECT_EQ(outcome.m_nDone, 4u);
    EXPECT_EQ(ReadFile(At("R/photos/2026/b.jpg")), "bbb");
    EXPECT_EQ(ReadFile(At("R/notes.txt")), "new notes");
    EXPECT_LT(abs(fs::last_write_time(At("R/notes.txt")) - fs::last_write_time(At("L/notes.txt"))),
              std::chrono::microseconds(1));
    EXPECT_EQ(ReadFile(At("R/deep/only/left.txt")), "l");
    ExpectFreshComparison();

    // The right side's older file goes over the left side's newer one: the user asked for it.
    outcome = Act(CompareAction::CopyToLeft, {{"only-right", true}, {"older-here.txt", false}});
    EXPECT_EQ(outcome.m_nDone, 2u);
    EXPECT_EQ(ReadFile(At("L/only-right/deep/r.txt")), "r");
    EXPECT_EQ(ReadFile(At("L/older-here.txt")), "older right");
    EXPECT_EQ(m_result.m_counts[static_cast<size_t>(CompareMark::Same)], m_result.m_rows.size());
    ExpectFreshComparison();
}

// Between the listing and the action someone writes to both sides: nothing they wrote is
// overwritten or deleted, and each refusal is said.
TEST_F(CompareActions, WhatChangedSinceTheListingIsLeftAloneAndSaid) {
    Put("L/doc.txt", "mine", 1);
    Put("R/doc.txt", "theirs", 8);
    Put("R/box/seen.txt", "seen", 3);
    Put("R/box/sub/seen2.txt", "seen", 3);
    Put("L/gone.txt", "g", 3);
    List();
    Put("R/doc.txt", "edited meanwhile", 0);
    Put("R/box/sub/arrived.txt", "new", 0);
    Put("L/gone.txt", "edited too", 0);

    auto outcome = Act(CompareAction::CopyToRight, {{"doc.txt", false}});
    EXPECT_EQ(outcome.m_nDone, 0u);
    EXPECT_EQ(ReadFile(At("R/doc.txt")), "edited meanwhile");
    ASSERT_EQ(outcome.m_errors.size(), 1u);
    EXPECT_NE(outcome.m_errors[0].find("doc.txt"), std::string::npos) << outcome.m_errors[0];

    outcome = Act(CompareAction::DeleteRight, {{"box", true}});
    EXPECT_FALSE(fs::exists(At("R/box/seen.txt")));
    EXPECT_FALSE(fs::exists(At("R/box/sub/seen2.txt")));
    EXPECT_EQ(ReadFile(At("R/box/sub/arrived.txt")), "new");
    EXPECT_FALSE(outcome.m_errors.empty());

    outcome = Act(CompareAction::DeleteLeft, {{"gone.txt", false}});
    EXPECT_EQ(ReadFile(At("L/gone.txt")), "edited too");
    EXPECT_EQ(outcome.m_nDone, 0u);
    ExpectFreshComparison();
}

// A folder reached through a link is the link's to lose, not the folder's contents.
TEST_F(CompareActions, DeletingALinkedFolderRemovesTheLinkOnly) {
    Put("elsewhere/precious.txt", "keep", 2);
    fs::create_directory_symlink(At("elsewhere"), At("R/linked"));
    Put("R/plain/a.txt", "a", 2);
    List();
    ASSERT_NE(Shown(m_result.m_rows).find("precious.txt ->"), std::string::npos);

    const auto outcome = Act(CompareAction::DeleteRight, {{"linked", true}, {"plain", true}});
    EXPECT_TRUE(outcome.m_errors.empty());
    EXPECT_EQ(outcome.m_nDone, 2u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(At("R/linked"))));
    EXPECT_FALSE(fs::exists(At("R/plain")));
    EXPECT_EQ(ReadFile(At("elsewhere/precious.txt")), "keep");
    EXPECT_TRUE(m_result.m_rows.empty());
}

// A disk that fails in the middle of a copy leaves the old file whole and no stray file.
TEST_F(CompareActions, AFailingCopyLeavesTheOldFileWholeAndSaysSo) {
    Put("L/big.bin", std::string(300'000, 'n'), 1);
    Put("R/big.bin", std::string(200'000, 'o'), 5);
    Put("L/fine.txt", "fine", 1);
    CFaultFileSystem faulty(tv::LocalFileSystem());
    faulty.DisableKernelCopy();
    faulty.Fail(CFaultFileSystem::Op::Write, ENOSPC, 1, -1, "big.bin");
    List(faulty);

    const auto outcome =
        Act(CompareAction::CopyToRight, {{"big.bin", false}, {"fine.txt", false}}, faulty);
    EXPECT_EQ(outcome.m_nDone, 1u);
    EXPECT_EQ(ReadFile(At("R/big.bin")), std::string(200'000, 'o'));
    EXPECT_EQ(ReadFile(At("R/fine.txt")), "fine");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(At("R"))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "fine.txt"}));
    ASSERT_FALSE(outcome.m_errors.empty());
    EXPECT_NE(outcome.m_errors.back().find("big.bin"), std::string::npos);
    ExpectFreshComparison();
}

// A cancel in the middle of a copy of many files stops it between files: what was copied is
// whole, the rest never started.
TEST_F(CompareActions, ACancelStopsBetweenFiles) {
    for (int i = 0; i < 20; ++i) {
        Put("L/many/f" + std::to_string(100 + i), "file " + std::to_string(i));
    }
    List();
    CFaultFileSystem watched(tv::LocalFileSystem());
    tv::CCompareControl control;
    watched.OnCall([&](CFaultFileSystem::Op op, const std::string& path) {
        if (op == CFaultFileSystem::Op::Rename && path.find("f104") != std::string::npos) {
            control.Cancel();
        }
    });
    const auto outcome = tv::PerformCompareAction(
        m_args, CompareAction::CopyToRight, m_result.m_rows,
        tv::PickedRows(m_result.m_rows, {{"many", true}}), watched, &control);
    EXPECT_TRUE(outcome.m_bCanceled);
    EXPECT_LE(outcome.m_nDone, 5u);
    size_t copied = 0;
    for (const auto& entry : fs::directory_iterator(At("R/many"))) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(name.starts_with("f1")) << "a temporary file was left: " << name;
        EXPECT_EQ(ReadFile(entry.path()), "file " + name.substr(3));
        ++copied;
    }
    EXPECT_EQ(copied, outcome.m_nDone);
    EXPECT_GE(copied, 4u);
}

TEST_F(CompareActions, TheDeleteQuestionCountsWhatTheSideHolds) {
    Put("L/a", "a");
    Put("L/dir/b", "b");
    Put("R/dir/b", "b");
    Put("R/c", "c");
    List();
    const auto picked = tv::PickedRows(
        m_result.m_rows, {{"a", false}, {"dir", true}, {"dir/b", false}, {"c", false}});
    EXPECT_EQ(picked.size(), 3u) << "a row below a picked folder goes with the folder";
    EXPECT_EQ(tv::DeleteQuestion(m_result.m_rows, picked, CompareAction::DeleteLeft),
              "Items to delete from the left side: 2. Selected folders go with everything in "
              "them. Delete them?");
}

// Where a side folds case, names that differ only in case are one row, as a run pairs them,
// and a copy writes to the other side's spelling instead of adding a second file beside it.
TEST(CompareCase, NamesMeetWithoutRegardToCaseOnlyWhereASideFoldsCase) {
    tv::AddCompareStrings();
    CMemoryFileSystem memory;
    memory.PutFile("/L/Docs/Photo.JPG", "new", 2'000'000'000);
    memory.PutFile("/R/docs/photo.jpg", "old", 1'900'000'000);
    memory.PutFile("/R/docs/Extra.txt", "x", 1'900'000'000);
    tv::CCompareArgs args;
    args.m_bSubfolders = true;
    args.m_left.m_strPath = "/L";
    args.m_right.m_strPath = "/R";

    auto exact = tv::CompareTrees(args, tv::ContentCheck::Attributes, memory);
    EXPECT_EQ(Shown(exact.m_rows),
              "Docs/ <-\n  Photo.JPG <-\ndocs/ ->\n  Extra.txt ->\n  photo.jpg ->\n");

    memory.SetCapabilities(memory.Capabilities("/") | tv::fscap::kFoldsCase);
    auto folded = tv::CompareTrees(args, tv::ContentCheck::Attributes, memory);
    EXPECT_EQ(Shown(folded.m_rows), "Docs/ =\n  Extra.txt ->\n  Photo.JPG L\n");
    ASSERT_EQ(folded.m_rows.size(), 3u);
    EXPECT_EQ(folded.m_rows[2].m_strRightPath, "docs/photo.jpg");
    EXPECT_EQ(folded.m_rows[1].m_strPath, "Docs/Extra.txt");

    const std::vector<tv::CRowKey> extra{{"Docs/Extra.txt", false}};
    const std::vector<tv::CRowKey> photo{{"Docs/Photo.JPG", false}};
    for (const auto& [keys, action] : {std::pair{extra, CompareAction::CopyToLeft},
                                       std::pair{photo, CompareAction::CopyToRight}}) {
        const auto outcome = tv::PerformCompareAction(
            args, action, folded.m_rows, tv::PickedRows(folded.m_rows, keys), memory, nullptr);
        EXPECT_EQ(outcome.m_nDone, 1u);
        EXPECT_TRUE(outcome.m_errors.empty());
    }
    EXPECT_EQ(memory.Files("/R"), (std::map<std::string, std::string>{{"docs/Extra.txt", "x"},
                                                                      {"docs/photo.jpg", "new"}}));
    EXPECT_EQ(memory.Files("/L"), (std::map<std::string, std::string>{{"Docs/Extra.txt", "x"},
                                                                      {"Docs/Photo.JPG", "new"}}));
    tv::RecompareRows(args, tv::ContentCheck::Attributes, {extra[0], photo[0]}, memory, folded);
    EXPECT_EQ(Shown(folded.m_rows), "Docs/ =\n  Extra.txt =\n  Photo.JPG =\n");
}

}  // namespace
