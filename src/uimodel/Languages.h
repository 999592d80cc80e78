#pragma once

#include <string>
#include <vector>

namespace tv {

// The interface languages the user can choose from: slot 0 is the built-in English, the
// other slots the language files ("Inter/Synch/*.lang", `id=text` lines) found beside the
// program and in its installed data folder, each named by its text 456. Main thread; Load
// blocks on disk I/O.
class CLanguageCatalog {
  public:
    static constexpr int kMaxFiles = 20;

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
    // texts are then unchanged) or the slot does not exist.
    bool Select(int slot);

  private:
    struct CSlot {
        std::string m_strName;
        std::string m_strPath;
    };
    // Adds the language file at `path` unless it has no name or its name is taken.
    void Consider(const std::string& path);

    std::vector<CSlot> m_Slots;  // slots 1, 2, ...
};

}  // namespace tv
