#pragma once

#include <optional>
#include <string>

namespace tv {

class CProfile;
class IFileSystem;
class IUiDialogs;

// Skins: a skin is a style sheet file (.qss) that every window of the program wears over the
// desktop's style. The chosen file is kept as "Skin"; none means the desktop's own look.
// GUI thread; each call blocks on disk I/O.
class CSkins {
  public:
    // `programFolder` ends with "/".
    CSkins(IFileSystem& fs, CProfile& profile, IUiDialogs& dialogs, std::string programFolder);

    // The style sheet of the stored skin, empty for none. A stored skin that cannot be read
    // is said in a message and the look stays the desktop's; it stays stored, as the file may
    // come back (a folder not mounted yet).
    std::string StoredSheet();
    // Load skin: the user picks a file, starting in the shipped skins' folder. The style sheet
    // to wear, now stored; nothing when the user canceled or the file cannot be read (said in
    // a message; the look and the stored skin stay as they were).
    std::optional<std::string> LoadSkin();
    // Unload skin: the desktop's style from now on.
    void UnloadSkin();
    // The shipped skins: beside the program, or where an installed program keeps them.
    std::string SkinFolder() const;

  private:
    std::optional<std::string> ReadSheet(const std::string& path);

    IFileSystem& m_fs;
    CProfile& m_profile;
    IUiDialogs& m_dialogs;
    std::string m_strProgramFolder;
};

}  // namespace tv
