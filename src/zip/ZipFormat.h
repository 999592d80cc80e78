#pragma once

#include <cstdint>
#include <string>

#include <zip.h>

#include "base/FileTime.h"

namespace tv {

class IFileSystem;
struct CDeflatedSpan;

enum class ZipEntryKind : uint8_t { File, Folder, Link };

// What an entry says about the file it holds, beside its data.
struct CZipEntryMeta {
    std::string m_name;        // the stored bytes, "/"-separated
    FileTime m_lastWrite = 0;  // to the second
    uint32_t m_mode = 0;       // permission bits; 0 when the archive keeps none
    ZipEntryKind m_kind = ZipEntryKind::File;
};

// Adds an entry whose data `span` deflated already lies in `spool` (an empty file is stored,
// not deflated): a UTF-8 name gets the language encoding flag, any other name its bytes as they
// are; the time goes in the DOS field and, exact to the second and free of time zones, in an
// extended-timestamp field; the permission bits in the external attributes, as Unix archivers
// keep them. False with the error in the archive.
bool AddDeflatedEntry(zip_t* za, IFileSystem& fs, int spool, const CDeflatedSpan& span,
                      const CZipEntryMeta& meta);

// What the entry `index` of `za` says. The name is the stored bytes; the time comes from an
// extended-timestamp field when there is one, else from the DOS field (local time).
bool ReadEntryMeta(zip_t* za, uint64_t index, CZipEntryMeta& meta);

}  // namespace tv
