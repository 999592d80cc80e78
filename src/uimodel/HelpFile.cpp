#include "uimodel/HelpFile.h"

#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "uimodel/DialogStrings.h"

namespace tv {

namespace {

std::string FindGuide(IFileSystem& fs, const std::string& programFolder, const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return {};
    }
    for (const char* folder : {"", "../share/doc/twinvale/", "../share/twinvale/"}) {
        const std::string path = programFolder + folder + name;
        CFileInfo info;
        if (fs.Stat(path, info, LinkMode::Follow) == 0 && info.m_type == EntryType::File) {
            return path;
        }
    }
    return {};
}

}  // namespace

std::string HelpFilePath(IFileSystem& fs, const std::string& programFolder) {
    const std::string path = FindGuide(fs, programFolder, LoadString(IDS_HELP_FILE));
    return path.empty() ? FindGuide(fs, programFolder, LoadBuiltInString(IDS_HELP_FILE)) : path;
}

// A guide that is nowhere is named by the first place it was looked for.
std::optional<CHelpFailure> OpenHelpFile(IFileSystem& fs, const std::string& programFolder) {
    const std::string path = HelpFilePath(fs, programFolder);
    if (path.empty()) {
        return CHelpFailure{programFolder + LoadString(IDS_HELP_FILE),
                            LoadString(IDS_HELP_NOT_INSTALLED)};
    }
    if (!OpenWithDesktop(path)) {
        return CHelpFailure{path, LoadString(IDS_HELP_NO_VIEWER)};
    }
    return std::nullopt;
}

}  // namespace tv
