#include "run/LastSync.h"

#include <charconv>
#include <string_view>

#include "platform/AtomicFile.h"
#include "platform/Folders.h"

namespace tv {

namespace {

// A number and the character that ends it.
template <typename T>
bool ReadNumber(std::string_view& text, T& value, char& end) {
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || next == text.data() + text.size()) {
        return false;
    }
    end = *next;
    text.remove_prefix(static_cast<size_t>(next - text.data()) + 1);
    return true;
}

}  // namespace

CLastSyncStore::CLastSyncStore(IFileSystem& fs, int taskId) : m_fs(fs), m_nTaskId(taskId) {}

std::string CLastSyncStore::PathOf(int taskId) {
    return ProgramDataFolder() + "/logs/" + std::to_string(taskId) + ".sync";
}

// One entry per line: "<index> <scan start> <pass end> <length>:<path>". The path is counted,
// not delimited, so that any bytes a path may hold read back as they were.
//
// Earlier lines held one time, "<index> <time> <length>:<path>": the second in which the pass
// ended. Taken as the scan start it would make files saved during that pass look deleted
// since; taken as the pass end it would miss the copies made in its last second. Such an
// entry counts as never synchronized, which makes the next run copy instead of delete, once.
bool CLastSyncStore::ReadEntry(std::string_view& text, CEntry& entry) {
    FileTime first = 0;
    uint64_t second = 0;
    char end = 0;
    if (!ReadNumber(text, entry.m_nIndex, end) || end != ' ' || !ReadNumber(text, first, end) ||
        end != ' ' || !ReadNumber(text, second, end)) {
        return false;
    }
    size_t length = second;
    if (end == ' ') {
        entry.m_times = {first, second};
        if (!ReadNumber(text, length, end)) {
            return false;
        }
    }
    if (end != ':' || text.size() <= length || text[length] != '\n') {
        return false;
    }
    entry.m_strPath = std::string(text.substr(0, length));
    text.remove_prefix(length + 1);
    return true;
}

std::vector<CLastSyncStore::CEntry> CLastSyncStore::Read() const {
    std::vector<CEntry> entries;
    const std::optional<std::string> bytes = ReadWholeFile(m_fs, PathOf(m_nTaskId));
    if (!bytes) {
        return entries;
    }
    std::string_view text = *bytes;
    while (!text.empty()) {
        CEntry entry;
        if (!ReadEntry(text, entry)) {
            break;  // a damaged tail says nothing: those targets count as never synchronized
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

CLastSync CLastSyncStore::Get(int targetIndex, const std::string& targetPath) const {
    for (const CEntry& entry : Read()) {
        if (entry.m_nIndex == targetIndex) {
            return entry.m_strPath == targetPath ? entry.m_times : CLastSync{};
        }
    }
    return {};
}

bool CLastSyncStore::Set(int targetIndex, const std::string& targetPath, const CLastSync& times) {
    std::vector<CEntry> entries = Read();
    bool replaced = false;
    for (CEntry& entry : entries) {
        if (entry.m_nIndex == targetIndex) {
            entry.m_strPath = targetPath;
            entry.m_times = times;
            replaced = true;
        }
    }
    if (!replaced) {
        entries.push_back({targetIndex, times, targetPath});
    }
    std::string text;
    for (const CEntry& entry : entries) {
        text += std::to_string(entry.m_nIndex) + ' ' + std::to_string(entry.m_times.m_scanStart) +
                ' ' + std::to_string(entry.m_times.m_passEnd) + ' ' +
                std::to_string(entry.m_strPath.size()) + ':' + entry.m_strPath + '\n';
    }
    const std::string path = PathOf(m_nTaskId);
    return EnsurePrivateFolder(m_fs, path.substr(0, path.rfind('/'))) &&
           WritePrivateFileAtomically(m_fs, path, text);
}

}  // namespace tv
