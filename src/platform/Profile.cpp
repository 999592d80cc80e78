#include "platform/Profile.h"

#include <cerrno>
#include <charconv>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/IniText.h"

namespace tv {

namespace {

// Far beyond any real profile; a larger file is not one of ours and is not rewritten.
constexpr size_t kMaxProfileBytes = size_t{16} << 20;

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The whole text must be a decimal int, blanks around it allowed; anything else is damage.
std::optional<int> ParseInt(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

CProfile::CProfile(IFileSystem& fs) : m_fs(fs), m_strPath(DefaultPath()) {}

CProfile::CProfile(IFileSystem& fs, std::string path) : m_fs(fs), m_strPath(std::move(path)) {}

std::string CProfile::DefaultPath() {
    return XdgConfigHome() + "/Orbelin/Mirrant.conf";
}

std::optional<std::string> CProfile::Find(std::string_view section, std::string_view name) const {
    auto text = ReadWholeFile(m_fs, m_strPath, nullptr, kMaxProfileBytes);
    if (!text) {
        return std::nullopt;
    }
    return CIniText(*text).Find(section, name);
}

int CProfile::GetProfileInt(std::string_view section, std::string_view name, int def) const {
    auto text = Find(section, name);
    auto value = text ? ParseInt(*text) : std::nullopt;
    return value.value_or(def);
}

std::string CProfile::GetProfileString(std::string_view section, std::string_view name,
                                       std::string_view def) const {
    auto value = Find(section, name);
    return value ? *value : std::string(def);
}

bool CProfile::HasValue(std::string_view section, std::string_view name) const {
    return Find(section, name).has_value();
}

bool CProfile::Update(const std::function<bool(CIniText&)>& change, std::string* error) {
    std::string ignored;
    std::string& why = error != nullptr ? *error : ignored;
    const std::string folder = FolderOf(m_strPath);
    if (int code = 0; !EnsurePrivateFolder(m_fs, folder, &code)) {
        why = "cannot create the folder '" + folder + "': " + SystemErrorText(code);
        return false;
    }
    CFileLock lock(m_fs, m_strPath + ".lock");
    if (!lock.IsLocked()) {
        why = lock.Error();
        return false;
    }
    CFileError readError;
    auto text = ReadWholeFile(m_fs, m_strPath, &readError, kMaxProfileBytes);
    // A file that exists but cannot be read must not be replaced by one holding a single value.
    if (!text && readError.m_nCode != ENOENT) {
        why = readError.m_strText;
        return false;
    }
    CIniText ini(text ? *text : std::string());
    if (!change(ini)) {
        return true;
    }
    return WritePrivateFileAtomically(m_fs, m_strPath, ini.Text(), &why);
}

bool CProfile::WriteProfileString(std::string_view section, std::string_view name,
                                  std::string_view value) {
    if (!CIniText::IsValidSection(section) || !CIniText::IsValidName(name)) {
        return false;
    }
    return Update([&](CIniText& ini) {
        if (ini.Find(section, name) == value) {
            return false;
        }
        ini.Set(section, name, value);
        return true;
    });
}

bool CProfile::WriteProfileInt(std::string_view section, std::string_view name, int value) {
    return WriteProfileString(section, name, std::to_string(value));
}

bool CProfile::DeleteValue(std::string_view section, std::string_view name) {
    return Update([&](CIniText& ini) { return ini.Remove(section, name); });
}

}  // namespace tv
