// A dry run against the run it stands for: every run kind is planned with --dry-run, then run
// for real on the same trees, and what changed on disk must be exactly what the plan listed.
#include <gtest/gtest.h>

#include <sstream>

#include "e2e/ArchiveTestSupport.h"
#include "support/TreeChanges.h"

namespace runtest {

namespace {

using tvtest::CChange;
using tvtest::CChanges;
using tvtest::Change;
using tvtest::WriteFile;

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The changes a plan line announces; a skip announces none.
void AddPlanned(const Json& line, CChanges& changes) {
    static const std::map<std::string, std::pair<char, Change>> kSteps = {
        {"copy-to-target", {'T', Change::Write}},
        {"copy-to-source", {'S', Change::Write}},
        {"delete-in-source", {'S', Change::Delete}},
        {"delete-in-source-after-copy", {'S', Change::Delete}},
        {"delete-in-target", {'T', Change::Delete}},
        {"attributes-to-target", {'T', Change::Mode}},
        {"attributes-to-source", {'S', Change::Mode}},
        {"timestamps-to-target", {'T', Change::Times}},
        {"timestamps-to-source", {'S', Change::Times}},
        {"create-folder-in-target", {'T', Change::MakeFolder}},
        {"create-folder-in-source", {'S', Change::MakeFolder}},
        {"remove-folder-in-target", {'T', Change::RemoveFolder}},
        {"remove-folder-in-source", {'S', Change::RemoveFolder}},
    };
    const auto it = kSteps.find(line.value("step", ""));
    if (it != kSteps.end() && line["path"] != ".") {
        changes.emplace(it->second.first, line["path"].get<std::string>(), it->second.second);
    }
}

std::string Describe(const CChanges& changes) {
    std::string text;
    for (const CChange& change : changes) {
        text += "  " + tvtest::ChangeText(change) + "\n";
    }
    return text;
}

class DryRunTest : public ArchiveRunTest {
  protected:
    void SetUp() override {
        m_src = Dir("src");
        m_dst = Dir("dst");
        m_base = Now() - 3600;
    }

    void Put(const fs::path& path, const std::string& content, int64_t mtime) {
        fs::create_directories(path.parent_path());
        WriteFile(path, content);
        SetMTime(path, mtime);
    }

    std::string State() const {
        return tvtest::Fingerprint(
            {m_src, m_dst, m_home.DataHome(), m_home.StateHome(), m_home.ConfigHome(), m_strList});
    }

    // The plan of `args` as JSON lines; the dry run must leave every byte where it was.
    std::vector<Json> DryRun(std::vector<std::string> args) {
        const std::string before = State();
        args.insert(args.end(), {"--dry-run", "--json"});
        const CRun run = Mirrant(args);
        EXPECT_EQ(run.m_exit, 0) << run.m_err << run.m_out;
        EXPECT_EQ(State(), before) << "the dry run changed something";
        std::vector<Json> lines;
        std::istringstream in(run.m_out);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(Json::parse(line));
        }
        EXPECT_FALSE(lines.empty());
        EXPECT_TRUE(lines.empty() || lines.back().contains("counts")) << run.m_out;
        return lines;
    }

    // Plans `args`, runs them, and holds the plan against what the run changed.
    std::vector<Json> PlanThenRun(const std::vector<std::string>& args) {
        const std::vector<Json> plan = DryRun(args);
        const tvtest::CTreeState src = tvtest::ReadTreeState(m_src);
        const tvtest::CTreeState dst = tvtest::ReadTreeState(m_dst);
        const CRun run = Mirrant(args);
        EXPECT_LE(run.m_exit, 1) << run.m_err;
        CChanges done;
        tvtest::AddTreeChanges('S', src, tvtest::ReadTreeState(m_src), done);
        tvtest::AddTreeChanges('T', dst, tvtest::ReadTreeState(m_dst), done);
        CChanges planned;
        for (const Json& line : plan) {
            AddPlanned(line, planned);
        }
        EXPECT_EQ(done, planned) << "done:\n"
                                 << Describe(done) << "planned:\n"
                                 << Describe(planned);
        return plan;
    }

    // The line of `path` (the acting one when there is one), as "step reason".
    static std::string StepOf(const std::vector<Json>& plan, const std::string& path) {
        std::string found = "absent";
        for (const Json& line : plan) {
            if (line.contains("path") && line["path"] == path) {
                const std::string text =
                    line["step"].get<std::string>() + " " + line["reason"].get<std::string>();
                if (found == "absent" || found.rfind("skip ", 0) == 0) {
                    found = text;
                }
            }
        }
        return found;
    }

    std::string List(const Json& task) {
        m_strList = MakeList({task});
        return m_strList;
    }

    fs::path m_src;
    fs::path m_dst;
    int64_t m_base = 0;
    std::string m_strList;
};

struct CKindCase {
    const char* m_name;
    uint32_t m_options;
    const char* m_switch;  // empty: none
    const char* m_patch;   // JSON merged into the task; a third place "third" lies in the home
    // The expected "step reason" of each file of the trees below, in order.
    std::vector<std::string> m_expected;
};

void PrintTo(const CKindCase& c, std::ostream* os) {
    *os << c.m_name;
}

const char* const kPaths[] = {"same.txt",   "newer-src.txt", "tgt-3s.txt",
                              "tgt-2s.txt", "only-src.txt",  "only-tgt.txt",
                              "dir-src",    "dir-tgt",       "skip.TMP"};

class DryRunKinds : public DryRunTest, public ::testing::WithParamInterface<CKindCase> {};

// The edge cases of the pass in one pair of trees: equal, newer on either side beyond and
// within the 2.5-second band, one-sided files and folders, and an excluded name.
TEST_P(DryRunKinds, TheRunChangesExactlyWhatItsDryRunListed) {
    const CKindCase& c = GetParam();
    Put(m_src / "same.txt", "same", m_base);
    Put(m_dst / "same.txt", "same", m_base);
    Put(m_src / "newer-src.txt", "new source", m_base + 10);
    Put(m_dst / "newer-src.txt", "old", m_base);
    Put(m_src / "tgt-3s.txt", "aaa", m_base);
    Put(m_dst / "tgt-3s.txt", "bbbb", m_base + 3);
    Put(m_src / "tgt-2s.txt", "ccc", m_base);
    Put(m_dst / "tgt-2s.txt", "dddd", m_base + 2);
    Put(m_src / "only-src.txt", "s", m_base);
    Put(m_dst / "only-tgt.txt", "t", m_base);
    Put(m_src / "dir-src" / "x.txt", "x", m_base);
    Put(m_dst / "dir-tgt" / "y.txt", "y", m_base);
    Put(m_src / "skip.TMP", "tmp", m_base);
    Json task = Task(3, m_src, {m_dst});
    task["m_dwOptions"] = c.m_options;
    task["m_dwOptions2"] = 0x8;  // exclusion masks
    task["m_strExcludeMasks"] = "*.tmp";
    task.merge_patch(Json::parse(c.m_patch));
    if (task.contains("m_strAltCopyDir")) {
        task["m_strAltCopyDir"] = Dir("third").string();
    }
    std::vector<std::string> args = {"/F:" + List(task), "3"};
    if (*c.m_switch) {
        args.emplace_back(c.m_switch);
    }
    const std::vector<Json> plan = PlanThenRun(args);
    for (size_t i = 0; i < std::size(kPaths); ++i) {
        EXPECT_EQ(StepOf(plan, kPaths[i]), c.m_expected[i]) << kPaths[i];
    }
    for (const Json& line : plan) {
        if (line.value("path", "") == "tgt-3s.txt" && line["step"] != "skip") {
            EXPECT_EQ(line.value("seconds", 0.0), -3.0) << line.dump();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DryRunKinds,
    ::testing::Values(
        CKindCase{"TwoWay",
                  0x20,
                  "",
                  "{}",
                  {"skip equal", "copy-to-target source-wins", "copy-to-source target-newer",
                   "skip equal", "copy-to-target only-in-source", "copy-to-source only-in-target",
                   "create-folder-in-target only-in-source",
                   "create-folder-in-source only-in-target", "skip excluded-by-mask"}},
        CKindCase{
            "TargetUpdateDeleting",
            0x29,
            "",
            "{}",
            {"skip equal", "copy-to-target source-wins", "skip target-newer-kept", "skip equal",
             "copy-to-target only-in-source", "delete-in-target delete-from-target-option",
             "create-folder-in-target only-in-source",
             "remove-folder-in-target delete-from-target-option", "skip excluded-by-mask"}},
        CKindCase{"TargetUpdateKeeping",
                  0x21,
                  "",
                  "{}",
                  {"skip equal", "copy-to-target source-wins", "skip target-newer-kept",
                   "skip equal", "copy-to-target only-in-source", "skip target-kept",
                   "create-folder-in-target only-in-source", "absent", "skip excluded-by-mask"}},
        CKindCase{"BackupMovingFiles",
                  0x21,
                  "",
                  R"({"m_bDeleteSourceAfterRun": 1})",
                  {"delete-in-source-after-copy delete-source-after-option",
                   "copy-to-target source-wins", "skip target-newer-kept", "skip equal",
                   "copy-to-target only-in-source", "skip target-kept",
                   "create-folder-in-target only-in-source", "absent", "skip excluded-by-mask"}},
        CKindCase{"BackupToThirdPlace",
                  0x21,
                  "",
                  R"({"m_dwOptions3": 7168, "m_strAltCopyDir": "third"})",
                  {"skip equal", "copy-to-third-place source-wins", "skip target-newer-kept",
                   "skip equal", "copy-to-third-place only-in-source", "skip target-kept", "absent",
                   "absent", "skip excluded-by-mask"}},
        CKindCase{"Replace",
                  0x21,
                  "/R",
                  "{}",
                  {"skip equal", "copy-to-target replace-differs", "copy-to-target replace-differs",
                   "skip equal", "copy-to-target only-in-source",
                   "delete-in-target replace-removes", "create-folder-in-target only-in-source",
                   "remove-folder-in-target replace-removes", "skip excluded-by-mask"}},
        CKindCase{"Restore",
                  0x21,
                  "--restore",
                  "{}",
                  {"skip equal", "copy-to-source restore-source-changed", "skip target-newer-kept",
                   "skip equal", "skip one-sided-kept", "copy-to-source only-in-target",
                   "create-folder-in-target only-in-source",
                   "create-folder-in-source only-in-target", "skip excluded-by-mask"}}),
    [](const auto& p) { return std::string(p.param.m_name); });

// Two-way with "Delete NEW files ... BEFORE last synchronization": what one side lost since
// the last run goes on the other side too, and the dry run says why. The plan reads the last
// synchronization as the run does and leaves it as it was.
TEST_F(DryRunTest, WhatOneSideLostSinceTheLastSynchronizationIsDeletedOnTheOther) {
    Put(m_src / "kept.txt", "k", m_base);
    Put(m_src / "gone-from-target.txt", "g", m_base);
    Put(m_src / "old" / "f.txt", "f", m_base);
    Json task = Task(4, m_src, {m_dst});
    task["m_dwOptions"] = 0x20;
    task["m_dwOptions3"] = 0xC04;  // plain-text log, delete what the other side lost
    const std::string list = List(task);
    ASSERT_EQ(Mirrant({"/F:" + list, "4"}).m_exit, 0);
    fs::remove(m_dst / "gone-from-target.txt");
    fs::remove_all(m_src / "old");
    Put(m_src / "new.txt", "n", Now() - 60);
    const std::vector<Json> plan = PlanThenRun({"/F:" + list, "4"});
    EXPECT_EQ(StepOf(plan, "gone-from-target.txt"),
              "delete-in-source deleted-from-target-since-last-sync");
    EXPECT_EQ(StepOf(plan, "old"), "remove-folder-in-target deleted-from-source-since-last-sync");
    EXPECT_EQ(StepOf(plan, "new.txt"), "copy-to-target only-in-source");
    EXPECT_EQ(StepOf(plan, "kept.txt"), "skip equal");
}

// Target update with "Transfer only if target file is newer", and two-way under the size
// criterion, where the source wins whichever side is newer.
TEST_F(DryRunTest, OptionsAndCriteriaThatTurnTheDecisionAreNamed) {
    Put(m_src / "newer-in-source.txt", "source", m_base + 100);
    Put(m_dst / "newer-in-source.txt", "target", m_base);
    Put(m_src / "older-in-source.txt", "source", m_base);
    Put(m_dst / "older-in-source.txt", "target", m_base + 100);
    Json task = Task(5, m_src, {m_dst});
    task["m_dwOptions"] = 0x121;
    const std::vector<Json> plan = PlanThenRun({"/F:" + List(task), "5"});
    EXPECT_EQ(StepOf(plan, "newer-in-source.txt"), "skip source-newer-unwanted");
    EXPECT_EQ(StepOf(plan, "older-in-source.txt"), "copy-to-target target-newer-wanted");

    Put(m_src / "sized.txt", "short", m_base);
    Put(m_dst / "sized.txt", "much longer", m_base + 100);
    task["m_dwOptions"] = 0x20;
    task["m_nCompareMode"] = 2;  // size
    const std::vector<Json> sized = PlanThenRun({"/F:" + List(task), "5"});
    EXPECT_EQ(StepOf(sized, "sized.txt"), "copy-to-target source-wins");
    for (const Json& line : sized) {
        if (line.value("path", "") == "sized.txt") {
            EXPECT_NE(line["text"].get<std::string>().find("sizes differ (5 and 11 bytes)"),
                      std::string::npos);
        }
    }
}

// A missing target that the task creates is listed, not made; the text form names each step
// with its reason and ends with the counts.
TEST_F(DryRunTest, AMissingTargetIsPlannedAsEmptyAndTheTextFormEndsWithTheCounts) {
    Put(m_src / "a" / "b.txt", "b", m_base);
    Put(m_src / "odd\n\"name\".txt", "q", m_base);
    fs::remove_all(m_dst);
    m_dst = m_home.Root() / "new" / "dst";
    Json task = Task(6, m_src, {m_dst});
    task["m_dwOptions3"] = 0xC40;  // plain-text log, create the target
    const std::string list = List(task);
    const std::vector<Json> plan = PlanThenRun({"/F:" + list, "6"});
    EXPECT_EQ(StepOf(plan, "."), "create-folder-in-target target-folder-missing");
    EXPECT_EQ(StepOf(plan, "odd\n\"name\".txt"), "copy-to-target only-in-source");
    EXPECT_EQ(plan.back()["counts"]["copy"], 2);

    fs::remove_all(m_dst);
    const CRun text = Mirrant({"/F:" + list, "6", "--dry-run"});
    EXPECT_EQ(text.m_exit, 0) << text.m_err;
    EXPECT_NE(text.m_out.find("  copy to target: only in source: a/b.txt\n"), std::string::npos)
        << text.m_out;
    EXPECT_NE(text.m_out.find("Task 6: Dry run: 2 to copy, 0 to delete, 2 other changes, 0 "
                              "skipped; nothing was changed.\n"),
              std::string::npos)
        << text.m_out;
    EXPECT_FALSE(fs::exists(m_dst));
    EXPECT_EQ(Mirrant({"--json", "/F:" + list, "6"}).m_exit, 2);
}

// A backup into a zip archive packs exactly the files its dry run lists; a restore from one
// cannot be planned without reading the archive, and says so.
TEST_F(DryRunTest, AnArchiveBackupPacksWhatItsDryRunListed) {
    if (!Have("unzip")) {
        GTEST_SKIP() << "unzip is not installed";
    }
    Put(m_src / "one.txt", "1", m_base);
    Put(m_src / "sub" / "two.txt", "2", m_base);
    Put(m_src / "skip.TMP", "t", m_base);
    const fs::path zip = m_home.Root() / "backup.zip";
    Json task = ArchiveTask(8, m_src, zip);
    task["m_dwOptions2"] = 0x8;
    task["m_strExcludeMasks"] = "*.TMP";
    const std::string list = List(task);
    const std::vector<Json> plan = DryRun({"/F:" + list, "8"});
    EXPECT_FALSE(fs::exists(zip));
    std::set<std::string> listed;
    for (const Json& line : plan) {
        if (line.value("step", "") == "add-to-archive") {
            listed.insert(line["path"].get<std::string>());
        }
    }
    ASSERT_EQ(Mirrant({"/F:" + list, "8"}).m_exit, 0);
    const fs::path names = m_home.Root() / "names";
    ASSERT_EQ(Shell("unzip -Z1 " + Quote(zip), names), 0);
    std::set<std::string> packed;
    std::istringstream in(tvtest::ReadFile(names));
    for (std::string name; std::getline(in, name);) {
        if (!name.empty() && name.back() != '/') {
            packed.insert(name);
        }
    }
    EXPECT_EQ(listed, (std::set<std::string>{"one.txt", "sub/two.txt"}));
    EXPECT_EQ(packed, listed);

    const std::vector<Json> restore = DryRun({"/F:" + list, "8", "--restore"});
    ASSERT_GE(restore.size(), 2u);
    EXPECT_TRUE(restore.front().contains("note")) << restore.front().dump();
}

}  // namespace

}  // namespace runtest
