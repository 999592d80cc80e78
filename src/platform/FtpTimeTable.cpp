#include "platform/FtpTimeTable.h"

#include <algorithm>

#include "base/Archive.h"
#include "platform/AtomicFile.h"

namespace tv {

namespace {
// Names the layout, so that a later change of the table can tell old files from new ones.
constexpr char kLayout[] = "FTPTimes 1";
// The cache holds a few entries per site; anything near this size is not our file.
constexpr size_t kMaxFileBytes = size_t{16} << 20;
}  // namespace

std::string CFtpTimeTable::Store() const {
    CArchiveWriter writer;
    writer.WriteString(kLayout);
    writer.WriteCount(static_cast<uint32_t>(m_Shifts.size()));
    for (const auto& [key, shift] : m_Shifts) {
        writer.WriteString(key);
        writer.WriteInt32(shift);
    }
    return std::string(writer.View());
}

bool CFtpTimeTable::Load(std::string_view bytes) {
    m_Shifts.clear();
    std::map<std::string, int32_t> shifts;
    try {
        CArchiveReader reader(bytes);
        if (reader.ReadString() != kLayout) {
            return false;
        }
        for (uint32_t n = reader.ReadCount(); n > 0; --n) {
            std::string key = reader.ReadString();
            const int32_t shift = reader.ReadInt32();
            if (shift < -kMaxShiftMinutes || shift > kMaxShiftMinutes) {
                return false;
            }
            shifts[std::move(key)] = shift;
        }
        if (!reader.AtEnd()) {
            return false;
        }
    } catch (const CArchiveError&) {
        return false;
    }
    m_Shifts = std::move(shifts);
    return true;
}

bool CFtpTimeTable::LoadFile(IFileSystem& fs, const std::string& path) {
    const auto bytes = ReadWholeFile(fs, path, nullptr, kMaxFileBytes);
    if (!bytes) {
        m_Shifts.clear();
        return false;
    }
    return Load(*bytes);
}

bool CFtpTimeTable::SaveFile(IFileSystem& fs, const std::string& path, std::string* error) const {
    return WritePrivateFileAtomically(fs, path, Store(), error);
}

std::string FtpTimeKey(const std::string& host, int32_t port) {
    std::string key = host;
    if (const size_t scheme = key.find("://"); scheme != std::string::npos) {
        key.erase(0, scheme + 3);
    }
    // ASCII only: host names are, and the user's locale must not change a stored key.
    std::transform(key.begin(), key.end(), key.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return key + ":" + std::to_string(port);
}

}  // namespace tv
