// Command lines come from scripts, schedulers and launchers. Whatever the arguments, parsing
// must not crash; an unknown switch must never become a list to open; and an elevated relaunch
// passes every argument on, in order, with only list paths made absolute.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CliOptions.h"
#include "app/CommandLine.h"

namespace {

constexpr size_t kMaxArguments = 64;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The arguments are the input's pieces between NUL bytes.
std::vector<std::string> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size && args.size() <= kMaxArguments; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    return args;
}

void CheckParse(const std::vector<std::string>& original) {
    tv::CMyComLineInfo info;
    info.ParseAll(original);
    tv::DecideStart(info);
    Check(info.m_strFileToOpen.empty() || tv::KindOf(info.m_strFileToOpen) == tv::ParamKind::Plain);
    for (const std::string& unknown : info.m_UnknownSwitches) {
        Check(tv::KindOf(unknown) == tv::ParamKind::UnknownSwitch);
    }
    Check(info.m_TaskIds.size() + info.m_UnknownSwitches.size() <= original.size());
}

void CheckRelaunch(const std::vector<std::string>& args) {
    tv::CRelaunchContext context;
    context.m_strPkexec = "/usr/bin/pkexec";
    context.m_strExecutable = "/opt/tv/mirrant";
    context.m_strFolder = "/home/me";
    context.m_exists = [](const std::string& path) { return path.size() % 2 == 0; };
    const tv::CRelaunchPlan plan = tv::PlanRelaunch(args, context);
    if (!plan.m_bElevated) {
        Check(plan.m_Argv.empty());
        return;
    }
    Check(plan.m_Argv.size() == args.size() + 3 && plan.m_Argv.back() == "/E");
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& passed = plan.m_Argv[i + 2];
        Check(passed == args[i] || (passed.ends_with(args[i].substr(args[i].find(':') + 1)) &&
                                    passed.find("/home/me/") != std::string::npos));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = Arguments(data, size);
    const tv::CCliRequest request = tv::ParseCommandLine(args);
    if (request.m_action == tv::CliAction::Original) {
        CheckParse(request.m_Original);
        CheckRelaunch(args);
    }
    return 0;
}
