#include <gtest/gtest.h>

#include <signal.h>

#include <thread>

#include "e2e/RunTestSupport.h"

namespace runtest {

namespace {

using namespace std::chrono_literals;

// Waits until the run has begun writing into `target`, then sends `signal`.
void SignalOnceWriting(int pid, const fs::path& target, int signal) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (fs::is_empty(target) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    std::this_thread::sleep_for(50ms);
    kill(pid, signal);
}

class RunSignalTest : public RunTest, public ::testing::WithParamInterface<int> {};

TEST_P(RunSignalTest, ASignalInALongCopyCancelsCleanly) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    for (int i = 0; i < 20; ++i) {
        tvtest::WriteFile(source / ("small" + std::to_string(i)), std::string(1000, 'x'));
    }
    fs::resize_file(
        [&] {
            tvtest::WriteFile(source / "big.bin", "head");
            return source / "big.bin";
        }(),
        3ull << 30);
    const std::string list = MakeList({Task(21, source, {target})});

    const CRun run = Mirrant({"/F:" + list, "21", "/S"},
                             [&](int pid) { SignalOnceWriting(pid, target, GetParam()); });
    EXPECT_EQ(run.m_exit, 2) << run.m_err;
    EXPECT_NE(Log(21).find("Task canceled by user"), std::string::npos) << Log(21);
    // Nothing half-done is left: every entry is a whole copy of its source file.
    bool bigCopied = false;
    for (const auto& entry : fs::directory_iterator(target)) {
        const fs::path original = source / entry.path().filename();
        ASSERT_TRUE(fs::exists(original)) << "left behind: " << entry.path();
        EXPECT_EQ(fs::file_size(entry.path()), fs::file_size(original)) << entry.path();
        bigCopied |= entry.path().filename() == "big.bin";
    }
    EXPECT_FALSE(bigCopied) << "the signal came too late to test anything";
}

INSTANTIATE_TEST_SUITE_P(Signals, RunSignalTest, ::testing::Values(SIGTERM, SIGINT));

}  // namespace

}  // namespace runtest
