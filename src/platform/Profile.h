#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

class CIniText;
class IFileSystem;

// The per-user profile: an INI file of sections and named values. Values of the application key
// itself live in the section "". Names are matched without regard to ASCII case. Every read
// looks at the file as it is now, and every write re-reads it under a lock file, applies its one
// change and replaces the file atomically, so that programs writing different values at the
// same time never lose each other's values. A missing, unreadable or damaged value yields the
// default. All members block on disk I/O and may be called from any thread.
class CProfile {
  public:
    // The profile of the user: XdgConfigHome() + "/Orbelin/Mirrant.conf".
    explicit CProfile(IFileSystem& fs);
    CProfile(IFileSystem& fs, std::string path);

    static std::string DefaultPath();
    const std::string& Path() const { return m_strPath; }

    int GetProfileInt(std::string_view section, std::string_view name, int def) const;
    std::string GetProfileString(std::string_view section, std::string_view name,
                                 std::string_view def = {}) const;
    bool HasValue(std::string_view section, std::string_view name) const;

    // False when the file cannot be read, locked or written (nothing is changed then), or when
    // a name cannot be stored (see CIniText::IsValidSection and IsValidName).
    bool WriteProfileInt(std::string_view section, std::string_view name, int value);
    bool WriteProfileString(std::string_view section, std::string_view name,
                            std::string_view value);
    // True also when the value was not there.
    bool DeleteValue(std::string_view section, std::string_view name);
    // Applies `change` to the file as it is under the lock and writes the result in one
    // replacement, so that values that belong together are stored all or none; `change` says
    // whether it changed anything. On failure nothing is changed and `error` (when given) names
    // the step, the file and the system's reason.
    bool Update(const std::function<bool(CIniText&)>& change, std::string* error = nullptr);

  private:
    std::optional<std::string> Find(std::string_view section, std::string_view name) const;

    IFileSystem& m_fs;
    std::string m_strPath;
};

}  // namespace tv
