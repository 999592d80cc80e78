#include "run/LastSync.h"

#include <charconv>
#include <string_view>

#include "platform/AtomicFile.h"
#include "platform/Folders.h"

namespace tv {

namespace {

// One entry per line: "<index> <time> <length>:<path>". The path is counted, not delimited,
// so that any bytes a path may hold read back as they were.
template <typename T>
bool ReadNumber(std::string_view& text, T& value, char end) {
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || next == text.data() + text.size() || *next != end) {
        return false;
    }
    text.remove_prefix(static_cast<size_t>(next - text.data()) + 1);
    return true;
}

}  // namespace

CLastSyncStore::CLastSyncStore(int taskId) : m_nTaskId(taskId) {}

std::string CLastSyncStore::PathOf(int taskId) {
    return ProgramDataFolder() + "/logs/" + std::to_string(taskId) + ".sync";
}

std::vector<CLastSyncStore::CEntry> CLastSyncStore::Read() const {
    std::vector<CEntry> entries;
    const std::optional<std::string> bytes = ReadWholeFile(PathOf(m_nTaskId));
    if (!bytes) {
        return entries;
    }
    std::string_view text = *bytes;
    while (!text.empty()) {
        CEntry entry;
        size_t length = 0;
        if (!ReadNumber(text, entry.m_nIndex, ' ') || !ReadNumber(text, entry.m_time, ' ') ||
            !ReadNumber(text, length, ':') || text.size() <= length || text[length] != '\n') {
            break;  // a damaged tail says nothing: those targets count as never synchronized
        }
        entry.m_strPath = std::string(text.substr(0, length));
        text.remove_prefix(length + 1);
        entries.push_back(std::move(entry));
    }
    return entries;
}

FileTime CLastSyncStore::Get(int targetIndex, const std::string& targetPath) const {
    for (const CEntry& entry : Read()) {
        if (entry.m_nIndex == targetIndex) {
            return entry.m_strPath == targetPath ? entry.m_time : 0;
        }
    }
    return 0;
}

bool CLastSyncStore::Set(int targetIndex, const std::string& targetPath, FileTime time) {
    std::vector<CEntry> entries = Read();
    bool replaced = false;
    for (CEntry& entry : entries) {
        if (entry.m_nIndex == targetIndex) {
            entry.m_strPath = targetPath;
            entry.m_time = time;
            replaced = true;
        }
    }
    if (!replaced) {
        entries.push_back({targetIndex, time, targetPath});
    }
    std::string text;
    for (const CEntry& entry : entries) {
        text += std::to_string(entry.m_nIndex) + ' ' + std::to_string(entry.m_time) + ' ' +
                std::to_string(entry.m_strPath.size()) + ':' + entry.m_strPath + '\n';
    }
    const std::string path = PathOf(m_nTaskId);
    return EnsureFolder(path.substr(0, path.rfind('/'))) && WriteFileAtomically(path, text);
}

}  // namespace tv
