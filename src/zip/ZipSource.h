#pragma once

#include <cstdint>

#include <zip.h>

namespace tv {

class IFileSystem;

// libzip reaches the archive file only through these sources, so that an archive lies wherever
// the engine's file system puts it and tests can fail its reads and writes.

// An open file of `fs` as a seekable source, read-only. The handle stays the caller's; the
// source does not close it. Any thread, one at a time.
zip_source_t* ReadSource(IFileSystem& fs, int file, uint64_t size, zip_error_t* error);

// An open, empty file of `fs` that libzip writes a new archive into (with the seeks back to
// the local headers that it makes). The handle stays the caller's.
zip_source_t* WriteSource(IFileSystem& fs, int file, zip_error_t* error);

// Deflated data that lies at `offset` in the open file `file` of `fs`, handed to libzip as an
// entry that is compressed already: libzip copies it as it is and takes the sizes and the CRC
// from here.
struct CDeflatedSpan {
    uint64_t m_offset = 0;
    uint64_t m_compressedSize = 0;
    uint64_t m_size = 0;
    uint32_t m_crc = 0;
    int64_t m_mtime = 0;  // seconds since 1970
};
zip_source_t* DeflatedSource(IFileSystem& fs, int file, const CDeflatedSpan& span,
                             zip_error_t* error);

}  // namespace tv
