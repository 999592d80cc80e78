#include "zip/ZipFormat.h"

#include "base/Utf.h"
#include "zip/ZipSource.h"

namespace tv {

namespace {

// Info-ZIP's extended timestamp: a flags byte (bit 0: the last-write time follows) and the
// time as 32-bit seconds since 1970, little-endian.
constexpr zip_uint16_t kTimestampField = 0x5455;
constexpr uint32_t kTypeMask = 0170000;
constexpr uint32_t kTypeFile = 0100000;
constexpr uint32_t kTypeFolder = 0040000;
constexpr uint32_t kTypeLink = 0120000;
constexpr uint32_t kPermissionBits = 07777;
// MS-DOS attribute of a folder, which archives made on Windows carry.
constexpr uint32_t kDosFolder = 0x10;

bool SetTimestamp(zip_t* za, zip_uint64_t index, int64_t seconds) {
    if (seconds < 0 || seconds > UINT32_MAX) {
        return true;  // the DOS field alone keeps it
    }
    const auto t = static_cast<uint32_t>(seconds);
    const zip_uint8_t data[5] = {1, static_cast<zip_uint8_t>(t), static_cast<zip_uint8_t>(t >> 8),
                                 static_cast<zip_uint8_t>(t >> 16),
                                 static_cast<zip_uint8_t>(t >> 24)};
    return zip_file_extra_field_set(za, index, kTimestampField, ZIP_EXTRA_FIELD_NEW, data,
                                    sizeof data, ZIP_FL_LOCAL | ZIP_FL_CENTRAL) == 0;
}

bool ReadTimestamp(zip_t* za, zip_uint64_t index, FileTime& time) {
    for (const zip_flags_t where : {ZIP_FL_CENTRAL, ZIP_FL_LOCAL}) {
        zip_uint16_t len = 0;
        const zip_uint8_t* data =
            zip_file_extra_field_get_by_id(za, index, kTimestampField, 0, &len, where);
        if (data && len >= 5 && (data[0] & 1)) {
            const uint32_t t =
                data[1] | (data[2] << 8) | (data[3] << 16) | (static_cast<uint32_t>(data[4]) << 24);
            time = FileTimeFromUnix(t);
            return true;
        }
    }
    return false;
}

}  // namespace

bool AddDeflatedEntry(zip_t* za, IFileSystem& fs, int spool, const CDeflatedSpan& span,
                      const CZipEntryMeta& meta) {
    zip_source_t* src = span.m_size == 0 ? zip_source_buffer(za, nullptr, 0, 0)
                                         : DeflatedSource(fs, spool, span, zip_get_error(za));
    if (!src) {
        return false;
    }
    const zip_flags_t encoding = IsValidUtf8(meta.m_name) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS;
    const zip_int64_t index = zip_file_add(za, meta.m_name.c_str(), src, encoding);
    if (index < 0) {
        zip_source_free(src);
        return false;
    }
    const auto i = static_cast<zip_uint64_t>(index);
    const uint32_t mode = kTypeFile | (meta.m_mode & kPermissionBits);
    return (span.m_size != 0 || zip_set_file_compression(za, i, ZIP_CM_STORE, 0) == 0) &&
           zip_file_set_external_attributes(za, i, 0, ZIP_OPSYS_UNIX, mode << 16) == 0 &&
           zip_file_set_mtime(za, i, static_cast<time_t>(span.m_mtime), 0) == 0 &&
           SetTimestamp(za, i, span.m_mtime);
}

bool ReadEntryMeta(zip_t* za, uint64_t index, CZipEntryMeta& meta) {
    const char* name = zip_get_name(za, index, ZIP_FL_ENC_RAW);
    zip_stat_t st;
    if (!name || zip_stat_index(za, index, ZIP_FL_ENC_RAW, &st) != 0) {
        return false;
    }
    meta.m_name = name;
    meta.m_kind = !meta.m_name.empty() && meta.m_name.back() == '/' ? ZipEntryKind::Folder
                                                                    : ZipEntryKind::File;
    if (!ReadTimestamp(za, index, meta.m_lastWrite)) {
        meta.m_lastWrite = (st.valid & ZIP_STAT_MTIME) ? FileTimeFromUnix(st.mtime) : 0;
    }
    meta.m_mode = 0;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &system, &attributes) != 0) {
        return true;
    }
    if (system == ZIP_OPSYS_UNIX && (attributes >> 16) != 0) {
        const uint32_t mode = attributes >> 16;
        meta.m_mode = mode & kPermissionBits;
        if ((mode & kTypeMask) == kTypeFolder) {
            meta.m_kind = ZipEntryKind::Folder;
        } else if ((mode & kTypeMask) == kTypeLink) {
            meta.m_kind = ZipEntryKind::Link;
        }
    } else if (attributes & kDosFolder) {
        meta.m_kind = ZipEntryKind::Folder;
    }
    return true;
}

}  // namespace tv
