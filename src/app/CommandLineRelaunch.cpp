#include <iostream>

#include "app/CliOptions.h"
#include "app/CommandLine.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace tv {

namespace {

constexpr char kRelaunched[] = "/E";

bool IsListSwitch(const std::string& sw) {
    return sw.size() >= 2 && (sw[0] == 'F' || sw[0] == 'f') && sw[1] == ':';
}

// A relative path that names a file here, made absolute; anything else as it stands (a bare
// name that names no file here is then looked for in the TLists folder, root's).
std::string Anchored(const std::string& path, const CRelaunchContext& context) {
    if (path.empty() || path[0] == '/' || context.m_strFolder.empty() || !context.m_exists ||
        !context.m_exists(path)) {
        return path;
    }
    return context.m_strFolder + (context.m_strFolder.back() == '/' ? "" : "/") + path;
}

// The list of "/F:" and a list to open: the only parameters that name files.
std::string AnchoredParameter(const std::string& arg, const CRelaunchContext& context) {
    const std::string sw = SwitchOf(arg);
    if (IsListSwitch(sw)) {
        const size_t prefix = arg.size() - sw.size() + 2;
        return arg.substr(0, prefix) + Anchored(arg.substr(prefix), context);
    }
    if (KindOf(arg) != ParamKind::Plain) {
        return arg;
    }
    CMyComLineInfo info;
    info.ParseParam(arg, false, false);
    return info.m_strFileToOpen.empty() ? arg : Anchored(arg, context);
}

std::string WhyNotElevated(const CRelaunchContext& context) {
    if (context.m_bSuperUser) {
        return "mirrant: /I: already running as root; no elevation needed";
    }
    if (context.m_strPkexec.empty()) {
        return "mirrant: /I: pkexec was not found on PATH; running without elevation";
    }
    if (context.m_strExecutable.empty() || context.m_strExecutable[0] != '/') {
        return "mirrant: /I: the program's own path is unknown; running without elevation";
    }
    return {};
}

}  // namespace

bool WantsElevation(const CMyComLineInfo& info) {
    return info.m_bElevate && !info.m_bRelaunched;
}

CRelaunchPlan PlanRelaunch(const std::vector<std::string>& args, const CRelaunchContext& context) {
    CMyComLineInfo info;
    info.ParseAll(ParseCommandLine(args).m_Original);
    CRelaunchPlan plan;
    // Only "/I" asks: a list to open is shown in a window, and a window started through
    // pkexec has no display to show it on.
    if (!WantsElevation(info)) {
        return plan;
    }
    plan.m_strNote = WhyNotElevated(context);
    if (!plan.m_strNote.empty()) {
        return plan;
    }
    plan.m_bElevated = true;
    plan.m_Argv = {context.m_strPkexec, context.m_strExecutable};
    for (const std::string& arg : args) {
        plan.m_Argv.push_back(AnchoredParameter(arg, context));
    }
    plan.m_Argv.push_back(kRelaunched);
    plan.m_strNote =
        "mirrant: asking for elevation through pkexec; the elevated run uses "
        "root's settings, task lists folder and logs";
    return plan;
}

void ElevateSelf(IFileSystem& fs, const std::vector<std::string>& args) {
    CRelaunchContext context;
    context.m_strPkexec = FindOnPath("pkexec");
    context.m_bSuperUser = IsSuperUser();
    context.m_strExecutable = OwnExecutable();
    context.m_strFolder = CurrentFolder();
    context.m_exists = [&fs](const std::string& path) {
        CFileInfo st;
        return fs.Stat(path, st, LinkMode::Follow) == 0;
    };
    const CRelaunchPlan plan = PlanRelaunch(args, context);
    if (!plan.m_strNote.empty()) {
        std::cerr << plan.m_strNote << std::endl;
    }
    if (plan.m_bElevated) {
        ExecProgram(plan.m_Argv[0], plan.m_Argv);
        std::cerr << "mirrant: pkexec could not be started; running without elevation" << std::endl;
    }
}

}  // namespace tv
