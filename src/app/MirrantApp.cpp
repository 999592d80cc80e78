#include "app/MirrantApp.h"

#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "task/Options.h"

namespace tv {

bool CMirrantApp::Startup() {
    m_RecentFiles.Load();
    const bool dataFolderReady = SetUpFolders();
    SetUpLastList();
    SetUpPreferences();
    m_FtpTimes.LoadFile(m_fs, FtpTimesPath());
    return dataFolderReady;
}

bool CMirrantApp::Exit(std::string* error) {
    return m_FtpTimes.SaveFile(m_fs, FtpTimesPath(), error);
}

bool CMirrantApp::SetUpFolders() {
    m_strProgramFolder = tv::ProgramFolder(
        m_profile.GetProfileString(profkey::kAppSection, profkey::kProgramFolder));
    m_strProgramDataFolder = tv::ProgramDataFolder();
    return EnsurePrivateFolder(m_fs, m_strProgramDataFolder);
}

void CMirrantApp::SetUpLastList() {
    m_strLastDir = m_profile.GetProfileString(profkey::kAppSection, profkey::kLastDir);
    if (m_strLastDir.empty()) {
        DefaultLastDir();
    }
    m_strLastTaskList = m_profile.GetProfileString(profkey::kAppSection, profkey::kLastTaskList);
    if (m_strLastTaskList.empty()) {
        DefaultLastDir();
    }
}

void CMirrantApp::DefaultLastDir() {
    m_strLastDir = TaskListFolder();
    EnsurePrivateFolder(m_fs, m_strLastDir);
    m_profile.WriteProfileString(profkey::kAppSection, profkey::kLastDir, m_strLastDir);
}

void CMirrantApp::SetUpPreferences() {
    if (!m_profile.HasValue(profkey::kSettings, profkey::kPreferences)) {
        m_profile.WriteProfileInt(profkey::kSettings, profkey::kPreferences,
                                  static_cast<int>(pref::kDefault));
    }
    m_dwPreferences = static_cast<uint32_t>(
        m_profile.GetProfileInt(profkey::kSettings, profkey::kPreferences, pref::kDefault));
}

}  // namespace tv
