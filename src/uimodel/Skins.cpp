#include "uimodel/Skins.h"

#include <utility>

#include "base/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "uimodel/UiDialogs.h"
#include "uimodel/WebSkinStrings.h"

namespace tv {

namespace {

// Far above any style sheet; a bigger file was picked by mistake.
constexpr size_t kMaxSheetBytes = 1 << 20;

}  // namespace

CSkins::CSkins(IFileSystem& fs, CProfile& profile, IUiDialogs& dialogs, std::string programFolder)
    : m_fs(fs),
      m_profile(profile),
      m_dialogs(dialogs),
      m_strProgramFolder(std::move(programFolder)) {}

std::string CSkins::StoredSheet() {
    const std::string path = m_profile.GetProfileString(profkey::kAppSection, profkey::kSkin);
    if (path.empty()) {
        return {};
    }
    return ReadSheet(path).value_or(std::string());
}

std::optional<std::string> CSkins::LoadSkin() {
    const std::optional<std::string> path = m_dialogs.OpenFile(FileKind::Skin, SkinFolder());
    if (!path) {
        return std::nullopt;
    }
    std::optional<std::string> sheet = ReadSheet(*path);
    if (sheet) {
        m_profile.WriteProfileString(profkey::kAppSection, profkey::kSkin, *path);
    }
    return sheet;
}

void CSkins::UnloadSkin() {
    m_profile.WriteProfileString(profkey::kAppSection, profkey::kSkin, "");
}

std::string CSkins::SkinFolder() const {
    for (const char* folder : {"skins/", "../share/twinvale/skins/"}) {
        const std::string path = m_strProgramFolder + folder;
        CFileInfo info;
        if (m_fs.Stat(path, info, LinkMode::Follow) == 0 && info.m_type == EntryType::Folder) {
            return path;
        }
    }
    return m_strProgramFolder;
}

// A file with NUL bytes is no style sheet; the style engine would wear it as an empty one.
std::optional<std::string> CSkins::ReadSheet(const std::string& path) {
    CFileError error;
    std::optional<std::string> sheet = ReadWholeFile(m_fs, path, &error, kMaxSheetBytes);
    std::string where;  // a read error names the file itself
    std::string reason = error.m_strText;
    if (sheet && sheet->find('\0') != std::string::npos) {
        sheet.reset();
        where = path;
        reason = LoadString(IDS_SKIN_NOT_STYLE_SHEET);
    }
    if (!sheet) {
        m_dialogs.Message(DetailedMessage(LoadString(IDS_SKIN_CANT_LOAD), {where, reason}));
    }
    return sheet;
}

}  // namespace tv
