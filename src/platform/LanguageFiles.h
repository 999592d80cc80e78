#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tv {

class CProfile;
class IFileSystem;

// Puts the texts of the language file at `path` in `fs` over the built-in table; refused lines
// are named on `warnings` and keep their built-in texts. False when the file cannot be read (the
// table is then unchanged). Blocks on disk I/O; meant for start-up and the language menu.
bool LoadLanguageFile(IFileSystem& fs, const std::string& path, std::ostream& warnings);
bool LoadLanguageFile(IFileSystem& fs, const std::string& path);

// The interface languages the user can choose from: slot 0 is the built-in English, the
// other slots the language files ("Inter/Synch/*.lang", `id=text` lines) found beside the
// program and in its installed data folder, each named by its text 456, read from `fs`. A file
// named like the built-in language takes no slot: slot 0 lays it over the built-in texts (the
// shipped English file corrects their spelling). Main thread; Load and Select block on disk
// I/O.
class CLanguageCatalog {
  public:
    static constexpr int kMaxFiles = 20;

    explicit CLanguageCatalog(IFileSystem& fs) : m_fs(fs) {}

    // Finds the language files under `programFolder` (the executable's folder, or the
    // profile's override) and, for an installed program, under ../share/twinvale beside the
    // executable. Replaces what an earlier Load found.
    void Load(const std::string& programFolder);
    // The same over explicit folders of language files, searched in order.
    void LoadFrom(const std::vector<std::string>& folders);

    int Count() const { return static_cast<int>(m_Slots.size()) + 1; }
    std::string Name(int slot) const;
    // The slot of the language called `name`; 0 (the built-in English) when none is.
    int SlotOf(const std::string& name) const;
    // Makes `slot` the source of every text. False when its file can no longer be read (the
    // texts are then unchanged) or the slot does not exist. Refused lines of its file are named
    // on `warnings`.
    bool Select(int slot, std::ostream& warnings);
    bool Select(int slot);

  private:
    struct CSlot {
        std::string m_strName;
        std::string m_strPath;
    };
    // Adds the language file at `path` unless it has no name or its name is taken.
    void Consider(const std::string& path);

    IFileSystem& m_fs;
    std::vector<CSlot> m_Slots;    // slots 1, 2, ...
    std::string m_strBuiltInFile;  // the first file of the built-in language, or empty
};

// The name of the language chosen last in the main window (it names itself so); empty before
// the first choice. Blocks on disk I/O (the profile is a file).
std::string StoredLanguage(const CProfile& profile);
void StoreLanguage(CProfile& profile, const std::string& name);

// Puts the texts of the language chosen last in the main window over the built-in ones, from
// the files the main window offers (the program folder, or the one the profile names, and the
// installed data folder), so that a run nobody watches logs and mails in the user's language.
// Refused lines of a damaged file are named on `warnings`. Returns one line for the caller's
// log when that language has no readable file (the built-in English then stays), else empty.
// Start-up, main thread, before other threads read texts; blocks on disk I/O.
std::string UseChosenLanguage(IFileSystem& fs, const CProfile& profile, std::ostream& warnings);

}  // namespace tv
