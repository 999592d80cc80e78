#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

class CProfile;

// What a run does with a file it deletes or overwrites. The values are stored in the profile.
enum class KeepMode : uint8_t {
    Delete = 0,    // gone for good, as it always was
    Trash = 1,     // into the desktop's trash
    Versions = 2,  // into the versions folder of the side's root
};

inline constexpr int kDefaultKeepDays = 30;
inline constexpr int kMaxKeepDays = 3650;

struct CKeepSettings {
    KeepMode m_mode = KeepMode::Delete;
    int m_nDays = kDefaultKeepDays;  // a versions folder's run folders older than this go
};

// The folder in each side's root that holds the files runs kept: one folder per run, named by
// the run's start (VersionsRunName). Runs never list, compare, copy or delete what is in it.
inline constexpr std::string_view kVersionsFolderName = ".twinvale-versions";

// The settings of the profile ("Settings", "KeepFiles" and "KeepDays"); unknown or missing
// values read as the defaults. Blocks on disk I/O; any thread.
CKeepSettings LoadKeepSettings(const CProfile& profile);
// Both values in one write, so that the profile never holds one without the other. False when
// the profile could not be written, with the path and the system's reason in `error`.
bool StoreKeepSettings(CProfile& profile, const CKeepSettings& settings,
                       std::string* error = nullptr);

// The name of a run's folder in the versions folder: its local start time as
// "YYYY-MM-DD_hh-mm-ss", a name every file system takes and that sorts by age. Pure but for the
// time zone.
std::string VersionsRunName(int64_t unixSeconds);
// The start time a run folder's name gives; none for a name of another form. Pure but for the
// time zone.
std::optional<int64_t> VersionsRunTime(const std::string& name);

}  // namespace tv
