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

ParamKind KindOf(const std::string& param) {
    if (!SwitchOf(param).empty()) {
        return ParamKind::Switch;
    }
    if (param.size() < 2 || (param[0] != '/' && param[0] != '-')) {
        return ParamKind::Plain;
    }
    if (param[0] == '-') {
        return ParamKind::UnknownSwitch;
    }
    // No path has this shape: "/Q", "/?", "/X:text".
    const char first = param[1];
    if (param.size() == 2) {
        return first == '/' || first == '.' ? ParamKind::Plain : ParamKind::UnknownSwitch;
    }
    return std::isalpha(static_cast<unsigned char>(first)) && param[2] == ':'
               ? ParamKind::UnknownSwitch
               : ParamKind::Plain;
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

void CMyComLineInfo::ParseAll(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool last = i + 1 == args.size();
        switch (KindOf(arg)) {
            case ParamKind::Switch:
                ParseParam(SwitchOf(arg), true, last);
                break;
            case ParamKind::UnknownSwitch:
                // Taken for a list to open, it would turn a run of tasks into a window.
                m_UnknownSwitches.push_back(arg);
                break;
            case ParamKind::Plain:
                ParseParam(arg, false, last);
                break;
        }
    }
}

StartKind DecideStart(const CMyComLineInfo& info) {
    if (!info.m_bHasArguments || !info.m_strFileToOpen.empty()) {
        return StartKind::Interactive;
    }
    return StartKind::Unattended;
}

}  // namespace tv
