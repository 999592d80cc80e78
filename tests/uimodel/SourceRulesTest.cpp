// Rules over the source tree: the profile's names live in one place, and the windows reach
// files, the profile and task records only through the window models and the application.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSourceRoot = fs::path(TWINVALE_SOURCE_DIR) / "src";

// The files under `folder` (relative to src) with their text, comments removed so that a
// comment may name a key.
std::vector<std::pair<std::string, std::string>> SourceFiles(const std::string& folder) {
    static const std::regex comment(R"(//[^\n]*)");
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::recursive_directory_iterator(kSourceRoot / folder)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h")) {
            files.emplace_back(fs::relative(entry.path(), kSourceRoot).string(),
                               std::regex_replace(tvtest::ReadFile(entry.path()), comment, ""));
        }
    }
    return files;
}

TEST(ProfileKeys, EveryProfileAccessNamesItsSectionAndValueThroughTheOneHeader) {
    const std::string header = "platform/ProfileKeys.h";
    std::set<std::string> spelled;
    const std::string keys = tvtest::ReadFile(kSourceRoot / header);
    static const std::regex value(R"re(=\s*"([^"]+)")re");
    for (std::sregex_iterator it(keys.begin(), keys.end(), value), end; it != end; ++it) {
        spelled.insert((*it)[1]);
    }
    ASSERT_TRUE(spelled.contains("Settings"));

    // A literal as the section or the name of a call, or a constant of a file's own that
    // spells one of the header's names again.
    static const std::regex literalArgument(
        R"re(\b(GetProfileInt|GetProfileString|WriteProfileInt|WriteProfileString|HasValue|DeleteValue)\s*\(\s*("|[^,()]+,\s*"))re");
    static const std::regex ownConstant(R"re(constexpr[^=;]*char[^=;]*=\s*"([^"]*)")re");
    for (const auto& [path, text] : SourceFiles(".")) {
        if (path == header) {
            continue;
        }
        EXPECT_FALSE(std::regex_search(text, literalArgument)) << path;
        for (std::sregex_iterator it(text.begin(), text.end(), ownConstant), end; it != end; ++it) {
            EXPECT_FALSE(spelled.contains((*it)[1])) << path << ": " << (*it)[0];
        }
    }
}

// The Qt layer is to stay thin: what it does to files, the profile or a task record belongs in
// a model that the tests drive without widgets.
TEST(WindowLayer, IncludesNothingFromThePlatformOrTheTaskRecordDirectly) {
    static const std::regex lowInclude(R"re(#include\s*"(platform|task)/[^"]*")re");
    const auto files = SourceFiles("ui");
    ASSERT_FALSE(files.empty());
    for (const auto& [path, text] : files) {
        std::smatch found;
        EXPECT_FALSE(std::regex_search(text, found, lowInclude)) << path << ": " << found[0];
    }
}

}  // namespace
