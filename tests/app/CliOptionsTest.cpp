#include "app/CliOptions.h"

#include <gtest/gtest.h>

namespace {

using tv::CliAction;
using Args = std::vector<std::string>;

TEST(CliOptionsTest, ListCommandsTakeTheirFiles) {
    auto request = tv::ParseCommandLine({"--dump-list", "--odd name.tsl"});
    EXPECT_EQ(request.m_action, CliAction::DumpList);
    EXPECT_EQ(request.m_Files, Args{"--odd name.tsl"});

    request = tv::ParseCommandLine({"--make-list=in.json", "/tmp/out.tsl"});
    EXPECT_EQ(request.m_action, CliAction::MakeList);
    EXPECT_EQ(request.m_Files, (Args{"in.json", "/tmp/out.tsl"}));
}

TEST(CliOptionsTest, HelpAndVersionWinOverOtherParameters) {
    EXPECT_EQ(tv::ParseCommandLine({"--dump-list", "x", "--help"}).m_action, CliAction::Help);
    EXPECT_EQ(tv::ParseCommandLine({"/A", "-h"}).m_action, CliAction::Help);
    EXPECT_EQ(tv::ParseCommandLine({"--version"}).m_action, CliAction::Version);
}

TEST(CliOptionsTest, OriginalParametersAreCollectedInOrder) {
    EXPECT_EQ(tv::ParseCommandLine({}).m_action, CliAction::Interactive);
    auto request = tv::ParseCommandLine({"/F:/srv/a.tsl", "5", "-S", "--", "--help"});
    EXPECT_EQ(request.m_action, CliAction::Original);
    EXPECT_EQ(request.m_Original, (Args{"/F:/srv/a.tsl", "5", "-S", "--help"}));
    EXPECT_FALSE(request.m_bScheduled);
    // The scheduler's mark goes anywhere among the original parameters.
    request = tv::ParseCommandLine({"/f:a.tsl", "--scheduled", "12"});
    EXPECT_EQ(request.m_action, CliAction::Original);
    EXPECT_EQ(request.m_Original, (Args{"/f:a.tsl", "12"}));
    EXPECT_TRUE(request.m_bScheduled);
}

TEST(CliOptionsTest, UsageErrorsSayWhatIsWrong) {
    const std::pair<Args, std::string> cases[] = {
        {{"--dump"}, "unrecognized option '--dump'"},
        {{"--help=x"}, "unrecognized option '--help=x'"},
        {{"--dump-list"}, "'--dump-list' needs a FILE"},
        {{"--make-list", "in.json"}, "'--make-list' needs FILE.json and OUT.tsl"},
        {{"--dump-list", "a", "--make-list", "b", "c"}, "only one of"},
        {{"--dump-list", "a", "b"}, "unexpected parameter 'b'"},
        {{"--scheduled"}, "'--scheduled' needs tasks to run"},
    };
    for (const auto& [args, message] : cases) {
        const auto request = tv::ParseCommandLine(args);
        EXPECT_EQ(request.m_action, CliAction::UsageError) << args[0];
        EXPECT_NE(request.m_strError.find(message), std::string::npos) << request.m_strError;
    }
}

}  // namespace
