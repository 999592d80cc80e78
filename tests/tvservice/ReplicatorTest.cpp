#include <gtest/gtest.h>

#include <filesystem>

#include "live/LiveSettings.h"
#include "live/Replicator.h"
#include "live/ServiceLog.h"
#include "platform/FileSystem.h"
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

}  // namespace

}  // namespace livetest
