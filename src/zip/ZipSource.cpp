#include "zip/ZipSource.h"

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"

namespace tv {

namespace {

enum class SourceRole { Read, Write, Deflated };

struct CFileSource {
    CFileSource(IFileSystem& fs, int file, SourceRole role)
        : m_fs(fs), m_file(file), m_role(role) {}

    IFileSystem& m_fs;
    int m_file;
    SourceRole m_role;
    uint64_t m_base = 0;  // where the source's bytes start in the file
    uint64_t m_size = 0;  // bytes the source has (reading); bytes written so far (writing)
    uint64_t m_pos = 0;
    CDeflatedSpan m_span;
    zip_error_t m_error{};
};

zip_int64_t Fail(CFileSource& src, int zipError, int sysError) {
    zip_error_set(&src.m_error, zipError, sysError);
    return -1;
}

zip_int64_t Supports(const CFileSource& src) {
    switch (src.m_role) {
        case SourceRole::Read:
            return ZIP_SOURCE_SUPPORTS_SEEKABLE;
        case SourceRole::Write:
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        case SourceRole::Deflated:
            return ZIP_SOURCE_SUPPORTS_READABLE;
    }
    return ZIP_SOURCE_SUPPORTS_READABLE;
}

zip_int64_t ReadAt(CFileSource& src, void* data, zip_uint64_t len) {
    const uint64_t want = std::min<uint64_t>(len, src.m_size - std::min(src.m_pos, src.m_size));
    uint64_t done = 0;
    while (done < want) {
        size_t got = 0;
        const int err = src.m_fs.Read(src.m_file, src.m_base + src.m_pos + done,
                                      static_cast<char*>(data) + done, want - done, got);
        if (err != 0) {
            return Fail(src, ZIP_ER_READ, err);
        }
        if (got == 0) {
            return Fail(src, ZIP_ER_READ, EIO);  // the file is shorter than it said
        }
        done += got;
    }
    src.m_pos += done;
    return static_cast<zip_int64_t>(done);
}

zip_int64_t WriteAt(CFileSource& src, const void* data, zip_uint64_t len) {
    size_t written = 0;
    const int err = src.m_fs.Write(src.m_file, src.m_pos, data, len, written);
    if (err != 0) {
        return Fail(src, ZIP_ER_WRITE, err);
    }
    src.m_pos += len;
    src.m_size = std::max(src.m_size, src.m_pos);
    return static_cast<zip_int64_t>(len);
}

zip_int64_t Stat(CFileSource& src, void* data, zip_uint64_t len) {
    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &src.m_error);
    if (!st) {
        return -1;
    }
    zip_stat_init(st);
    st->valid = ZIP_STAT_SIZE;
    st->size = src.m_size;
    if (src.m_role == SourceRole::Deflated) {
        st->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_MTIME;
        st->size = src.m_span.m_size;
        st->comp_size = src.m_span.m_compressedSize;
        st->comp_method = ZIP_CM_DEFLATE;
        st->crc = src.m_span.m_crc;
        st->mtime = static_cast<time_t>(src.m_span.m_mtime);
    }
    return sizeof(zip_stat_t);
}

zip_int64_t Seek(CFileSource& src, uint64_t size, void* data, zip_uint64_t len) {
    const zip_int64_t pos =
        zip_source_seek_compute_offset(src.m_pos, size, data, len, &src.m_error);
    if (pos < 0) {
        return -1;
    }
    src.m_pos = static_cast<uint64_t>(pos);
    return 0;
}

zip_int64_t Callback(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto& src = *static_cast<CFileSource*>(state);
    switch (cmd) {
        case ZIP_SOURCE_SUPPORTS:
            return Supports(src);
        case ZIP_SOURCE_OPEN:
        case ZIP_SOURCE_BEGIN_WRITE:
            src.m_pos = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return ReadAt(src, data, len);
        case ZIP_SOURCE_WRITE:
            return WriteAt(src, data, len);
        case ZIP_SOURCE_STAT:
            return Stat(src, data, len);
        case ZIP_SOURCE_SEEK:
            return Seek(src, src.m_size, data, len);
        case ZIP_SOURCE_SEEK_WRITE:
            return Seek(src, src.m_size, data, len);
        case ZIP_SOURCE_TELL:
        case ZIP_SOURCE_TELL_WRITE:
            return static_cast<zip_int64_t>(src.m_pos);
        case ZIP_SOURCE_COMMIT_WRITE: {
            const int err = src.m_fs.Flush(src.m_file);
            return err == 0 ? 0 : Fail(src, ZIP_ER_WRITE, err);
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_ROLLBACK_WRITE:
        case ZIP_SOURCE_REMOVE:
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&src.m_error, data, len);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&src.m_error);
            delete &src;
            return 0;
        default:
            return Fail(src, ZIP_ER_OPNOTSUPP, 0);
    }
}

zip_source_t* Make(CFileSource* src, zip_error_t* error) {
    zip_error_init(&src->m_error);
    zip_source_t* source = zip_source_function_create(Callback, src, error);
    if (!source) {
        zip_error_fini(&src->m_error);
        delete src;
    }
    return source;
}

}  // namespace

zip_source_t* ReadSource(IFileSystem& fs, int file, uint64_t size, zip_error_t* error) {
    auto* src = new CFileSource(fs, file, SourceRole::Read);
    src->m_size = size;
    return Make(src, error);
}

zip_source_t* WriteSource(IFileSystem& fs, int file, zip_error_t* error) {
    return Make(new CFileSource(fs, file, SourceRole::Write), error);
}

zip_source_t* DeflatedSource(IFileSystem& fs, int file, const CDeflatedSpan& span,
                             zip_error_t* error) {
    auto* src = new CFileSource(fs, file, SourceRole::Deflated);
    src->m_base = span.m_offset;
    src->m_size = span.m_compressedSize;
    src->m_span = span;
    return Make(src, error);
}

}  // namespace tv
