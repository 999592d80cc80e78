#include "platform/Folders.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "base/PathText.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

namespace tv {

namespace {

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string Join(const std::string& folder, std::string_view name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + std::string(name);
    }
    return folder + "/" + std::string(name);
}

std::optional<std::string> AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/') {
        return WithoutTrailingSlashes(value);
    }
    return std::nullopt;
}

std::string AccountHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    while (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return found && found->pw_dir ? WithoutTrailingSlashes(found->pw_dir) : std::string();
}

std::string XdgFolder(const char* variable, std::string_view homeRelative) {
    if (auto value = AbsoluteEnv(variable)) {
        return *value;
    }
    return Join(HomeFolder(), homeRelative);
}

// The value of one line of the user-dirs file: a quoted "$HOME/..." or absolute path with
// backslash escapes. Anything else is not a usable entry.
std::optional<std::string> UserDirValue(std::string_view quoted) {
    if (quoted.size() < 2 || quoted.front() != '"') {
        return std::nullopt;
    }
    std::string value;
    for (size_t i = 1; i < quoted.size(); ++i) {
        if (quoted[i] == '"') {
            if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
                return HomeFolder() + value.substr(5);
            }
            return value.empty() || value[0] != '/' ? std::nullopt : std::optional(value);
        }
        if (quoted[i] == '\\' && i + 1 < quoted.size()) {
            ++i;
        }
        value += quoted[i];
    }
    return std::nullopt;
}

std::optional<std::string> UserDir(IFileSystem& fs, std::string_view key) {
    auto text = ReadWholeFile(fs, Join(XdgConfigHome(), "user-dirs.dirs"), nullptr, 1 << 20);
    if (!text) {
        return std::nullopt;
    }
    std::string_view rest = *text;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            return UserDirValue(line.substr(key.size() + 1));
        }
    }
    return std::nullopt;
}

std::string UserFolder(IFileSystem& fs, std::string_view key, std::string_view fallbackName) {
    auto folder = UserDir(fs, key);
    if (folder && IsFolder(fs, *folder)) {
        return WithoutTrailingSlashes(*folder);
    }
    return Join(HomeFolder(), fallbackName);
}

std::string ExecutableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return ".";
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string exe(buffer.data(), static_cast<size_t>(n));
            size_t slash = exe.rfind('/');
            if (slash == std::string::npos) {
                return ".";
            }
            return slash == 0 ? "/" : exe.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string HomeFolder() {
    if (auto home = AbsoluteEnv("HOME")) {
        return *home;
    }
    return AccountHome();
}

std::string XdgConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string XdgDataHome() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string XdgStateHome() {
    return XdgFolder("XDG_STATE_HOME", ".local/state");
}

std::string ProgramDataFolder() {
    return Join(XdgDataHome(), "Twinvale");
}

std::string ProgramFolder(const std::string& profilePathOverride) {
    std::string folder = profilePathOverride.empty() ? ExecutableFolder() : profilePathOverride;
    if (folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string DocumentsFolder(IFileSystem& fs) {
    return UserFolder(fs, "XDG_DOCUMENTS_DIR", "Documents");
}

std::string DesktopFolder(IFileSystem& fs) {
    return UserFolder(fs, "XDG_DESKTOP_DIR", "Desktop");
}

bool IsFolder(IFileSystem& fs, const std::string& path) {
    CFileInfo info;
    return fs.Stat(path, info, LinkMode::Follow) == 0 && info.m_type == EntryType::Folder;
}

namespace {

// Makes each missing level from the top; a level that is there already, or that another
// process makes meanwhile, is fine.
int MakeLevels(IFileSystem& fs, const std::string& path, uint32_t madeMode) {
    for (size_t pos = path.find('/', RemoteRootLength(path) + 1);; pos = path.find('/', pos + 1)) {
        const std::string level = path.substr(0, pos);
        int err = fs.MakeFolder(level);
        if (err == 0 && madeMode != 0) {
            err = fs.SetMode(level, madeMode);
        }
        if (err != 0 && err != EEXIST) {
            return err;
        }
        if (pos == std::string::npos) {
            break;
        }
    }
    return IsFolder(fs, path) ? 0 : ENOTDIR;
}

bool Ensure(IFileSystem& fs, const std::string& path, int* error, uint32_t madeMode) {
    int err = path.empty() ? ENOENT : 0;
    if (err == 0 && !IsFolder(fs, path)) {
        err = MakeLevels(fs, path, madeMode);
    }
    if (err != 0 && error) {
        *error = err;
    }
    return err == 0;
}

bool IsInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

}  // namespace

bool EnsureFolder(IFileSystem& fs, const std::string& path, int* error) {
    return Ensure(fs, path, error, 0);
}

bool EnsurePrivateFolder(IFileSystem& fs, const std::string& path, int* error) {
    return Ensure(fs, path, error, 0700);
}

bool IsInProgramFolders(const std::string& path) {
    return IsInside(path, ProgramDataFolder()) || IsInside(path, XdgConfigHome() + "/Orbelin") ||
           IsInside(path, XdgStateHome() + "/Twinvale");
}

}  // namespace tv
