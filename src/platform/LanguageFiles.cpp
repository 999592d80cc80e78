#include "platform/LanguageFiles.h"

#include <algorithm>
#include <iostream>
#include <string_view>

#include "base/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"

namespace tv {

namespace {

constexpr std::string_view kExtension = ".lang";
// A language file is a few hundred lines; anything far larger is not one.
constexpr size_t kMaxFileBytes = size_t{4} << 20;

std::string ParentFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Text 456 read the way LoadLanguageFile reads every line, or empty.
std::string LanguageName(IFileSystem& fs, const std::string& path) {
    const auto content = ReadWholeFile(fs, path, nullptr, kMaxFileBytes);
    if (!content) {
        return {};
    }
    std::string_view rest = *content;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        int id = 0;
        std::string_view text;
        if (ParseLanguageLine(line, &id, &text) && id == IDS_LANGUAGE_NAME) {
            return std::string(text);
        }
    }
    return {};
}

std::vector<std::string> LanguageFiles(IFileSystem& fs, const std::string& folder) {
    CFileInfo info;
    std::vector<CFolderItem> entries;
    std::vector<std::string> paths;
    if (ListFolder(fs, folder, info, entries) != 0) {
        return paths;
    }
    for (const auto& entry : entries) {
        const std::string& name = entry.m_name;
        if (entry.m_info.m_type == EntryType::File && name.size() > kExtension.size() &&
            name.ends_with(kExtension)) {
            paths.push_back(folder + "/" + name);
        }
    }
    // Directory order is the file system's whim; the menu should not change between starts.
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

bool LoadLanguageFile(IFileSystem& fs, const std::string& path, std::ostream& warnings) {
    const auto content = ReadWholeFile(fs, path);
    if (!content) {
        return false;
    }
    UseLanguageTexts(*content, path, warnings);
    return true;
}

bool LoadLanguageFile(IFileSystem& fs, const std::string& path) {
    return LoadLanguageFile(fs, path, std::cerr);
}

void CLanguageCatalog::Load(const std::string& programFolder) {
    std::vector<std::string> folders = {programFolder + "Inter/Synch"};
    const std::string exe = OwnExecutable();
    if (!exe.empty()) {
        folders.push_back(ParentFolder(exe) + "../share/twinvale/Inter/Synch");
    }
    LoadFrom(folders);
}

void CLanguageCatalog::LoadFrom(const std::vector<std::string>& folders) {
    m_Slots.clear();
    m_strBuiltInFile.clear();
    for (const auto& folder : folders) {
        for (const auto& path : LanguageFiles(m_fs, folder)) {
            if (m_Slots.size() >= kMaxFiles) {
                return;
            }
            Consider(path);
        }
    }
}

void CLanguageCatalog::Consider(const std::string& path) {
    const std::string name = LanguageName(m_fs, path);
    if (name == Name(0)) {
        if (m_strBuiltInFile.empty()) {
            m_strBuiltInFile = path;
        }
        return;
    }
    // A second file of one language (the build tree's and the installed one) adds nothing.
    if (name.empty() || SlotOf(name) != 0) {
        return;
    }
    m_Slots.push_back({name, path});
}

std::string CLanguageCatalog::Name(int slot) const {
    if (slot == 0) {
        return LoadBuiltInString(IDS_LANGUAGE_NAME);
    }
    if (slot < 0 || slot >= Count()) {
        return {};
    }
    return m_Slots[static_cast<size_t>(slot - 1)].m_strName;
}

int CLanguageCatalog::SlotOf(const std::string& name) const {
    for (size_t i = 0; i < m_Slots.size(); ++i) {
        if (m_Slots[i].m_strName == name) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

bool CLanguageCatalog::Select(int slot, std::ostream& warnings) {
    if (slot == 0) {
        ResetLanguage();
        // Without its file the built-in language is still complete.
        if (!m_strBuiltInFile.empty()) {
            LoadLanguageFile(m_fs, m_strBuiltInFile, warnings);
        }
        return true;
    }
    if (slot < 0 || slot >= Count()) {
        return false;
    }
    return LoadLanguageFile(m_fs, m_Slots[static_cast<size_t>(slot - 1)].m_strPath, warnings);
}

bool CLanguageCatalog::Select(int slot) {
    return Select(slot, std::cerr);
}

std::string StoredLanguage(const CProfile& profile) {
    return profile.GetProfileString(profkey::kAppSection, profkey::kLanguage);
}

void StoreLanguage(CProfile& profile, const std::string& name) {
    profile.WriteProfileString(profkey::kAppSection, profkey::kLanguage, name);
}

std::string UseChosenLanguage(IFileSystem& fs, const CProfile& profile, std::ostream& warnings) {
    const std::string programFolder =
        ProgramFolder(profile.GetProfileString(profkey::kAppSection, profkey::kProgramFolder));
    CLanguageCatalog languages(fs);
    languages.Load(programFolder);
    const std::string chosen = StoredLanguage(profile);
    const int slot = languages.SlotOf(chosen);
    const bool known = slot != 0 || chosen.empty() || chosen == languages.Name(0);
    if (known && languages.Select(slot, warnings)) {
        return {};
    }
    languages.Select(0, warnings);
    return FormatText(LoadString(IDS_LANGUAGE_NOT_FOUND).c_str(), chosen.c_str(),
                      (programFolder + "Inter/Synch").c_str());
}

}  // namespace tv
