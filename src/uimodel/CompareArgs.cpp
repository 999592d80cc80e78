#include "uimodel/CompareArgs.h"

#include <charconv>

namespace tv {

namespace {

int Number(const std::string& text) {
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// One "/l?" or "/r?" item of an FTP side; false for an item letter it does not know.
bool SetSiteItem(CTag& site, char item, const std::string& value) {
    site.m_bIsFtp = 1;
    switch (item) {
        case 'h':
            site.m_strHost = value;
            break;
        case 'i':
            site.m_strRemoteDir = value;
            break;
        case 'r':
            site.m_nPort = Number(value);
            break;
        case 'n':
            site.m_strSiteName = value;
            break;
        case 'p':
            site.m_strPassword = value;
            break;
        case 'u':
            site.m_strUser = value;
            break;
        case 'y':
            site.m_nProxyType = Number(value);
            break;
        case 's':
            site.m_bPassive = 1;
            break;
        case 't':
            site.m_strProxyHost = value;
            break;
        case 'o':
            site.m_nProxyPort = Number(value);
            break;
        case 'd':
            site.m_strProxyUser = value;
            break;
        case 'a':
            site.m_strProxyPassword = value;
            break;
        default:
            return false;
    }
    return true;
}

bool ParseOne(const std::string& arg, CCompareArgs& out) {
    if (arg == "/i") {
        out.m_bSubfolders = true;
        return true;
    }
    if (arg.rfind("/s:", 0) == 0 || arg.rfind("/d:", 0) == 0) {
        (arg[1] == 's' ? out.m_left : out.m_right).m_strPath = arg.substr(3);
        return arg.size() > 3;
    }
    if (arg.rfind("/pwfd:", 0) == 0) {
        out.m_nSecretFd = Number(arg.substr(6));
        return out.m_nSecretFd >= 3;
    }
    // "/ls" (passive) is the only site item without a value.
    const bool passive = arg.size() == 3 && arg[2] == 's';
    if (arg.size() < 3 || arg[0] != '/' || (arg[1] != 'l' && arg[1] != 'r') ||
        (!passive && (arg.size() < 4 || arg[3] != ':'))) {
        return false;
    }
    CTag& site = arg[1] == 'l' ? out.m_left : out.m_right;
    return SetSiteItem(site, arg[2], passive ? std::string() : arg.substr(4));
}

}  // namespace

bool ParseCompareArgs(const std::vector<std::string>& args, CCompareArgs& out, std::string& bad) {
    for (const std::string& arg : args) {
        if (!ParseOne(arg, out)) {
            bad = arg;
            return false;
        }
    }
    return true;
}

void AddCompareSecrets(const std::string& secrets, CCompareArgs& out) {
    size_t start = 0;
    for (size_t end; (end = secrets.find('\0', start)) != std::string::npos; start = end + 1) {
        const std::string item = secrets.substr(start, end - start);
        // Only passwords come this way; anything else on the pipe is not ours to obey.
        if (item.size() >= 4 && (item[1] == 'l' || item[1] == 'r') &&
            (item[2] == 'p' || item[2] == 'a') && item[3] == ':') {
            ParseOne(item, out);
        }
    }
}

}  // namespace tv
