#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "live/ServiceLog.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

std::vector<int> NumbersIn(const fs::path& file) {
    std::ifstream in(file);
    std::vector<int> numbers;
    for (std::string line; std::getline(in, line);) {
        numbers.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
    }
    return numbers;
}

// A service that runs for months keeps two logs at most, each within the limit, and the
// newest lines follow each other without a gap across the two.
TEST(ServiceLog, StaysWithinItsLimitAndKeepsTheLatestLines) {
    tvtest::CTempDir dir;
    const fs::path path = dir / "logs" / "TwinvaleRealTask_3.log";
    constexpr uint64_t kLimit = 300;
    {
        tv::CServiceLog log(tv::LocalFileSystem(), kLimit);
        ASSERT_EQ(log.Open(path.string()), 0);
        for (int n = 0; n < 100; ++n) {
            log.Line("Copied file " + std::to_string(n));
        }
    }
    ASSERT_TRUE(fs::exists(path.string() + ".1"));
    EXPECT_FALSE(fs::exists(path.string() + ".2"));
    EXPECT_LE(fs::file_size(path), kLimit);
    EXPECT_LE(fs::file_size(path.string() + ".1"), kLimit);
    std::vector<int> numbers = NumbersIn(path.string() + ".1");
    const std::vector<int> current = NumbersIn(path);
    numbers.insert(numbers.end(), current.begin(), current.end());
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(numbers.back(), 99);
    for (size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
    }
}

}  // namespace
