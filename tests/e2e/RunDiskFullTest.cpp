#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using namespace std::chrono_literals;

constexpr size_t kMiB = 1u << 20;

bool HasTempName(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().filename().string().starts_with(".~tv-")) {
            return true;
        }
    }
    return false;
}

// Runs `script` with its arguments as root of a private user and mount namespace, where a
// tmpfs can be mounted without rights on the machine; the exit status, -1 when it did not run.
int InPrivateNamespace(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "unshare -Urm sh -c '" + script + "' sh";
    for (const std::string& arg : args) {
        command += " '" + arg + "'";
    }
    const int status = std::system((command + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The target is a 4 MiB tmpfs: "seed" is copied onto it, the program runs, and what it left
// there is copied out to "after".
class RunDiskFullTest : public RunTest {
  protected:
    bool CanMount() {
        return InPrivateNamespace("mount -t tmpfs -o size=4m tmpfs \"$1\"", {Dir("mnt")}) == 0;
    }

    int RunOnSmallDisk(const std::string& list, const std::string& taskId) {
        const std::string script =
            "mount -t tmpfs -o size=4m tmpfs \"$1\" && cp -a \"$2\"/. \"$1\"/ || exit 99; "
            "\"$3\" \"/F:$4\" \"$5\" /S 2>\"$6\" </dev/null; status=$?; "
            "cp -a \"$1\"/. \"$7\"/; exit $status";
        return InPrivateNamespace(script, {Dir("mnt"), Dir("seed"), MIRRANT_PATH, list, taskId,
                                           (m_home.Root() / "stderr").string(), Dir("after")});
    }
};

TEST_F(RunDiskFullTest, ACopyThatRunsOutOfSpaceKeepsTheOldFileAndEndsWithAnError) {
    const fs::path source = Dir("src");
    const std::string oldBig(kMiB, 'o');
    tvtest::WriteFile(Dir("seed") / "big.bin", oldBig);
    tvtest::WriteFile(Dir("seed") / "small.txt", "old small");
    for (const char* name : {"big.bin", "small.txt"}) {
        fs::last_write_time(Dir("seed") / name, fs::file_time_type::clock::now() - 24h);
    }
    tvtest::WriteFile(source / "big.bin", std::string(3 * kMiB + kMiB / 2, 'n'));
    tvtest::WriteFile(source / "small.txt", "new small");
    Json task = Task(41, source, {Dir("mnt")});
    task["m_dwOptions2"] = 0x200;  // continue after errors
    const std::string list = MakeList({task});
    if (!CanMount()) {
        GTEST_SKIP() << "no private tmpfs can be mounted here; RunFileSystemTest runs the same "
                        "backup on a full disk made by the fault-injecting file system";
    }

    EXPECT_EQ(RunOnSmallDisk(list, "41"), 1) << tvtest::ReadFile(m_home.Root() / "stderr");
    const fs::path after = Dir("after");
    EXPECT_EQ(tvtest::ReadFile(after / "big.bin"), oldBig);
    EXPECT_EQ(tvtest::ReadFile(after / "small.txt"), "new small");
    EXPECT_FALSE(HasTempName(after));
    EXPECT_NE(Log(41).find("There is not enough space on the disk"), std::string::npos) << Log(41);
}

}  // namespace

}  // namespace runtest
