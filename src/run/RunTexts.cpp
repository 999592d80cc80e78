#include "run/RunTexts.h"

#include <ctime>

#include "base/StringTable.h"
#include "platform/Folders.h"

namespace tv {

std::string StampText(int stringId) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[128];
    const size_t length = std::strftime(text, sizeof text, "%A, %B %d, %Y, %H:%M", &local);
    std::string stamp = LoadString(stringId);
    // "Task started: " and "Task canceled by user " bring their own separator.
    if (!stamp.empty() && stamp.back() != ' ') {
        stamp += ": ";
    }
    return stamp + std::string(text, length);
}

std::string WorkingFolderOf(IFileSystem& fs, const std::string& commandLine) {
    const size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return {};
    }
    const std::string program =
        commandLine.substr(start, commandLine.find_first_of(" \t", start) - start);
    const size_t slash = program.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return {};
    }
    std::string folder = program.substr(0, slash);
    return IsFolder(fs, folder) ? folder : std::string();
}

}  // namespace tv
