#include "app/CommandLine.h"

#include <cctype>
#include <charconv>

namespace tv {

namespace {

constexpr std::string_view kLetterSwitches = "EARSCMDI";
constexpr std::string_view kTextSwitches = "FPT";

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// "A parameter equal to its own decimal form": no sign, no leading zero, no blanks.
bool IsTaskId(const std::string& param, int* id) {
    int value = 0;
    const char* end = param.data() + param.size();
    const auto [ptr, ec] = std::from_chars(param.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0 || std::to_string(value) != param) {
        return false;
    }
    *id = value;
    return true;
}

}  // namespace

std::string SwitchOf(const std::string& param) {
    if (param.size() < 2 || (param[0] != '/' && param[0] != '-')) {
        return {};
    }
    const std::string rest = param.substr(1);
    const char letter = Upper(rest[0]);
    if (rest.size() == 1 && kLetterSwitches.find(letter) != std::string_view::npos) {
        return rest;
    }
    if (rest.size() >= 2 && rest[1] == ':' &&
        kTextSwitches.find(letter) != std::string_view::npos) {
        return rest;
    }
    return {};
}

void CMyComLineInfo::ParseParam(const std::string& param, bool isSwitch, bool /*last*/) {
    if (!isSwitch) {
        m_bHasArguments = true;
        int id = 0;
        if (IsTaskId(param, &id)) {
            m_TaskIds.push_back(id);
        } else {
            m_strFileToOpen = param;
        }
        return;
    }
    const char letter = param.empty() ? '\0' : Upper(param[0]);
    if (letter == 'E' && param.size() == 1) {
        m_bRelaunched = true;
        return;
    }
    m_bHasArguments = true;
    const std::string text = param.size() > 2 ? param.substr(2) : std::string();
    switch (letter) {
        case 'F':
            m_strTaskList = text;
            break;
        case 'P':
            m_bSourceHost = true;
            m_strSourceHost = text;
            break;
        case 'T':
            m_bTargetHost = true;
            m_strTargetHost = text;
            break;
        case 'A':
            m_bAll = true;
            break;
        case 'R':
            m_bReplace = true;
            break;
        case 'S':
            m_bSilent = true;
            break;
        case 'C':
            m_bConsecutive = true;
            break;
        case 'M':
            m_bSimultaneous = true;
            break;
        case 'D':
            m_bShutdown = true;
            break;
        case 'I':
            m_bElevate = true;
            break;
        default:
            break;
    }
}

bool CMyComLineInfo::ParseAll(const std::vector<std::string>& args, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::string sw = SwitchOf(arg);
        // A "/" parameter that is no switch is a path; a "-" one is a mistyped switch, and
        // running tasks on a guess is worse than saying so.
        if (sw.empty() && arg.size() > 1 && arg[0] == '-') {
            *error = "unknown switch '" + arg + "'";
            return false;
        }
        ParseParam(sw.empty() ? arg : sw, !sw.empty(), i + 1 == args.size());
    }
    return true;
}

StartKind DecideStart(const CMyComLineInfo& info) {
    if (!info.m_bRelaunched) {
        return StartKind::Relaunch;
    }
    if (!info.m_bHasArguments || !info.m_strFileToOpen.empty()) {
        return StartKind::Interactive;
    }
    return StartKind::Unattended;
}

}  // namespace tv
