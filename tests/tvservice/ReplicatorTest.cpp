#include <gtest/gtest.h>

#include <filesystem>

#include "live/LiveSettings.h"
#include "live/Replicator.h"
#include "live/ServiceLog.h"
#include "platform/FileSystem.h"
#include "platform/TempFile.h"
#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"
#include "tvservice/ServiceSupport.h"

namespace livetest {

namespace {

using tvtest::WriteFile;

// The source moved folder p away and made a new p; the target's p is still the old one, with
// an entry of the same name as the new folder's and entries the new one never had.
class ReplacedFolder : public ::testing::Test {
  protected:
    ReplacedFolder() : m_log(tv::LocalFileSystem()) {
        m_settings.m_strSource = Make("src").string();
        m_settings.m_Targets = {Make("dst").string()};
        fs::create_directories(m_home.Root() / "src/p");
        WriteFile(m_home.Root() / "src/p/same", "new");
        fs::create_directories(m_home.Root() / "dst/p/s");
        WriteFile(m_home.Root() / "dst/p/same", "stale");
        WriteFile(m_home.Root() / "dst/p/gone", "old");
        WriteFile(m_home.Root() / "dst/p/s/deep", "old");
    }
    fs::path Make(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return m_home.Root() / name;
    }
    void ExpectTargetIsTheNewFolder() {
        EXPECT_EQ(TreeDifference(m_home.Root() / "src", m_home.Root() / "dst"), "");
    }

    tvtest::CIsolatedHome m_home;
    tv::CLiveSettings m_settings;
    tv::CServiceLog m_log;
};

// The path's own event, and the rename whose new name had gone again by the time it was
// carried out, both leave the target's folder holding only what the new one holds.
TEST_F(ReplacedFolder, LosesWhatTheOldFolderHeld) {
    tv::CReplicator replicator(m_settings, tv::LocalFileSystem(), m_log);
    replicator.Reconcile("p");
    ExpectTargetIsTheNewFolder();

    fs::create_directories(m_home.Root() / "dst/p/s");
    WriteFile(m_home.Root() / "dst/p/s/deep", "old");
    WriteFile(m_home.Root() / "dst/p/gone", "old");
    replicator.Rename({"p", "r/t", true});
    ExpectTargetIsTheNewFolder();
}

// A source file cut short while the service reads it: the copy is given up without leaving a
// truncated target or a temporary file, the log says why in words, and the next event for the
// file (the cut's own) copies what the source holds then.
TEST(ShrinkingSource, IsLoggedAsChangedAndCopiedAgain) {
    tvtest::CIsolatedHome home;
    const fs::path source = home.Root() / "src";
    const fs::path target = home.Root() / "dst";
    fs::create_directories(source);
    fs::create_directories(target);
    WriteFile(source / "big", std::string(size_t{1} << 20, 'x'));
    WriteFile(target / "big", "old");
    tvtest::CFaultFileSystem faults(tv::LocalFileSystem());
    faults.DisableKernelCopy();
    bool cut = false;
    faults.OnCall([&](tvtest::CFaultFileSystem::Op op, const std::string& path) {
        if (op == tvtest::CFaultFileSystem::Op::Read && path.ends_with("src/big") && !cut) {
            cut = true;
            fs::resize_file(source / "big", 1000);
        }
    });
    tv::CLiveSettings settings;
    settings.m_strSource = source.string();
    settings.m_Targets = {target.string()};
    tv::CServiceLog log(faults);
    ASSERT_EQ(log.Open((home.Root() / "service.log").string()), 0);

    tv::CReplicator replicator(settings, faults, log);
    replicator.Reconcile("big");
    ASSERT_TRUE(cut);
    EXPECT_EQ(tvtest::ReadFile(target / "big"), "old");
    for (const auto& entry : fs::directory_iterator(target)) {
        EXPECT_FALSE(tv::IsTempFileName(entry.path().filename().string())) << entry.path();
    }
    const std::string text = tvtest::ReadFile(home.Root() / "service.log");
    EXPECT_NE(text.find("big changed while it was being copied; it will be copied again"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Error"), std::string::npos) << text;

    replicator.Reconcile("big");
    EXPECT_EQ(tvtest::ReadFile(target / "big"), std::string(1000, 'x'));
}

}  // namespace

}  // namespace livetest
