#pragma once

#include <string>

namespace tv {

class IFileSystem;

// The folders below are taken from the environment on every call, so that a changed HOME or
// XDG_* variable takes effect at once. None of them ends with "/" unless it is "/" itself.
// All of them are cheap and may be called from any thread.

// $HOME when set to an absolute path, else the home folder of the user's account.
std::string HomeFolder();

// $XDG_CONFIG_HOME, $XDG_DATA_HOME, $XDG_STATE_HOME when set to an absolute path, else
// ~/.config, ~/.local/share, ~/.local/state.
std::string XdgConfigHome();
std::string XdgDataHome();
std::string XdgStateHome();

// XdgDataHome() + "/Twinvale", without a trailing "/". Whoever writes there makes it first
// (EnsureFolder).
std::string ProgramDataFolder();

// `profilePathOverride` when not empty, else the folder of the running executable; always ends
// with "/".
std::string ProgramFolder(const std::string& profilePathOverride);

// The user's documents and desktop folders as named in the XDG user-dirs file when that names
// an existing folder, else ~/Documents and ~/Desktop. Blocks on disk I/O.
std::string DocumentsFolder(IFileSystem& fs);
std::string DesktopFolder(IFileSystem& fs);

// Creates `path` and any missing parents (mode 0777 less the umask). True when the folder
// exists afterwards; else `error` (when given) receives the errno value. Blocks on disk I/O.
bool EnsureFolder(IFileSystem& fs, const std::string& path, int* error = nullptr);

// EnsureFolder for the program's own folders, which hold passwords: each level it creates is
// made 0700 (a level that is there already keeps the mode its owner gave it).
bool EnsurePrivateFolder(IFileSystem& fs, const std::string& path, int* error = nullptr);

// True when `path` lies inside one of the program's own folders (the data folder, the profile's
// folder, the state folder), where every file is private. Pure.
bool IsInProgramFolders(const std::string& path);

// True when `path` names a folder (following symbolic links). Blocks on one stat.
bool IsFolder(IFileSystem& fs, const std::string& path);

}  // namespace tv
