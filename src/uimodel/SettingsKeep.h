#pragma once

#include <array>
#include <string>

#include "task/KeepSettings.h"

namespace tv {

class IFileSystem;

// The part of the preferences window that says what runs do with the files they delete or
// overwrite, kept in the user's profile. Loading and storing block on disk I/O (GUI thread).
class CKeepFilesChoice {
  public:
    explicit CKeepFilesChoice(IFileSystem& fs);
    // False when the profile could not be written, with the path and the reason in `error`; the
    // choice stored before stays.
    bool Store(std::string* error = nullptr) const;

    // The texts of the choices, in the order shown: delete, trash, versions folder.
    static const std::array<int, 3>& ChoiceTexts();
    int Choice() const { return static_cast<int>(m_settings.m_mode); }
    void SetChoice(int choice);
    int Days() const { return m_settings.m_nDays; }
    void SetDays(int days);
    static int MaxDays() { return kMaxKeepDays; }

  private:
    IFileSystem& m_fs;
    CKeepSettings m_settings;
};

}  // namespace tv
