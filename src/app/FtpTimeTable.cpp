#include "app/FtpTimeTable.h"

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
            shifts[std::move(key)] = reader.ReadInt32();
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
    return WriteFileAtomically(fs, path, Store(), error);
}

}  // namespace tv
