#pragma once

#include <cstdint>
#include <string>

#include "app/RecentFileList.h"
#include "platform/FtpTimeTable.h"

namespace tv {

class CProfile;
class IFileSystem;

// The application object: the settings that live outside task lists, set up once at start-up
// and written back when the program ends, and the file system that everything the program does
// goes through (handed to it by the program's entry). Main thread only.
class CMirrantApp {
  public:
    CMirrantApp(IFileSystem& fs, CProfile& profile)
        : m_fs(fs), m_profile(profile), m_RecentFiles(profile) {}

    // The start-up steps, in this order: the recent list; the program folder (profile "path",
    // else the executable's folder) and the program data folder, created when missing;
    // "lastdir" and "lasttl" with their "TLists" fallback; "DlgPref"; the FTP time shifts.
    // False when the program data folder could not be created; the steps all run regardless.
    // Blocks on disk I/O.
    bool Startup();
    // Writes the FTP time shifts back. Blocks on disk I/O.
    bool Exit(std::string* error = nullptr);

    IFileSystem& FileSystem() { return m_fs; }
    CProfile& Profile() { return m_profile; }
    const std::string& ProgramFolder() const { return m_strProgramFolder; }
    const std::string& ProgramDataFolder() const { return m_strProgramDataFolder; }
    const std::string& LastDir() const { return m_strLastDir; }
    const std::string& LastTaskList() const { return m_strLastTaskList; }
    uint32_t Preferences() const { return m_dwPreferences; }
    CRecentFileList& RecentFiles() { return m_RecentFiles; }
    CFtpTimeTable& FtpTimes() { return m_FtpTimes; }
    std::string FtpTimesPath() const { return m_strProgramDataFolder + "/FTPTimes"; }
    std::string TaskListFolder() const { return m_strProgramDataFolder + "/TLists"; }

  private:
    bool SetUpFolders();
    void SetUpLastList();
    void SetUpPreferences();
    // The "TLists" folder becomes the last folder, in memory and in the profile.
    void DefaultLastDir();

    IFileSystem& m_fs;
    CProfile& m_profile;
    CRecentFileList m_RecentFiles;
    CFtpTimeTable m_FtpTimes;
    std::string m_strProgramFolder;
    std::string m_strProgramDataFolder;
    std::string m_strLastDir;
    std::string m_strLastTaskList;
    uint32_t m_dwPreferences = 0;
};

}  // namespace tv
