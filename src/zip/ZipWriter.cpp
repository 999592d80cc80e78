#include "zip/ZipWriter.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include <zip.h>
#include <zlib.h>

#include "base/PathText.h"
#include "base/Utf.h"
#include "platform/FileSystem.h"
#include "zip/ZipDeflater.h"
#include "zip/ZipFormat.h"
#include "zip/ZipSource.h"

namespace tv {

namespace {

constexpr size_t kReadBytes = size_t{1} << 20;
// Deflating is what takes the time; more threads than this gain little on a backup's disk.
constexpr unsigned kMaxLanes = 4;
// The archive holds copies of the user's files, whoever may read the originals.
constexpr uint32_t kArchiveMode = 0600;

// The name of `path` below `root`, empty when it does not lie below it.
std::string EntryName(const std::string& root, const std::string& path) {
    const std::string folder = CleanFolderPath(root);
    const std::string prefix = folder == "/" ? folder : folder + "/";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) {
        return {};
    }
    return path.substr(prefix.size());
}

int ErrnoOf(zip_error_t* error) {
    const int sys = zip_error_code_system(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS && sys != 0) {
        return sys;
    }
    return zip_error_code_zip(error) == ZIP_ER_MEMORY ? ENOMEM : EIO;
}

}  // namespace

CZipWriter::CZipWriter(IFileSystem& fs) : m_fs(fs) {}

CZipWriter::~CZipWriter() {
    Discard();
}

int CZipWriter::Create(const std::string& path) {
    Discard();
    m_strPath = path;
    const std::string folder = FolderOf(path);
    m_fs.RemoveStaleTemps(folder, NameOf(path));
    int err = m_fs.CreateTemp(folder, NameOf(path), kArchiveMode, m_strTemp, m_file);
    const unsigned cores = std::thread::hardware_concurrency();
    m_lanes.resize(std::clamp(cores, 1u, kMaxLanes));
    for (CLane& lane : m_lanes) {
        if (err == 0) {
            err = m_fs.CreateScratch(folder, lane.m_spool);
        }
        if (err == 0) {
            lane.m_deflater =
                std::make_unique<CZipDeflater>(m_fs, lane.m_spool, Z_DEFAULT_COMPRESSION);
        }
    }
    if (err != 0) {
        Discard();
    }
    return err;
}

int CZipWriter::AddFile(const std::string& path) {
    CEntry entry;
    entry.m_name = EntryName(m_strRoot, path);
    if (entry.m_name.empty() || m_lanes.empty()) {
        return EINVAL;
    }
    int file = -1;
    int err = m_fs.OpenRead(path, file);
    if (err != 0) {
        return err;
    }
    CFileInfo info;
    err = m_fs.StatOpen(file, info);
    if (err == 0) {
        entry.m_lastWrite = info.m_lastWrite;
        entry.m_mode = info.Mode();
        CLane& lane = LeastFedLane();
        err = ReadInto(file, entry, lane);
    }
    m_fs.Close(file);
    if (err != 0) {
        return err;
    }
    m_entries.push_back(std::move(entry));
    return 0;
}

// The bytes go to the deflater as they are read; the CRC is taken here, on the reading thread.
CZipWriter::CLane& CZipWriter::LeastFedLane() {
    return *std::min_element(m_lanes.begin(), m_lanes.end(), [](const CLane& a, const CLane& b) {
        return a.m_bytesFed < b.m_bytesFed;
    });
}

int CZipWriter::ReadInto(int file, CEntry& entry, CLane& lane) {
    uLong crc = crc32(0, nullptr, 0);
    m_readBuffer.resize(kReadBytes);
    for (;;) {
        size_t got = 0;
        const int err = m_fs.Read(file, entry.m_size, m_readBuffer.data(), kReadBytes, got);
        if (err != 0) {
            lane.m_deflater->DropEntry();
            return err;
        }
        if (got == 0) {
            break;
        }
        crc = crc32_z(crc, m_readBuffer.data(), got);
        entry.m_size += got;
        lane.m_deflater->Feed(m_readBuffer.data(), got);
    }
    entry.m_crc = static_cast<uint32_t>(crc);
    lane.m_deflater->EndEntry();
    // Even an empty file costs its lane something.
    lane.m_bytesFed += entry.m_size + 256;
    entry.m_lane = static_cast<size_t>(&lane - m_lanes.data());
    entry.m_span = lane.m_entriesEnded++;
    return 0;
}

int CZipWriter::Close() {
    if (m_lanes.empty()) {
        return EBADF;
    }
    int err = 0;
    for (CLane& lane : m_lanes) {
        const int finished = lane.m_deflater->Finish();
        err = err != 0 ? err : finished;
    }
    if (err == 0) {
        err = m_entries.empty() ? WriteEmptyArchive() : WriteArchive();
    }
    if (err == 0) {
        err = m_fs.Close(std::exchange(m_file, -1));
    }
    if (err == 0) {
        err = m_fs.Rename(m_strTemp, m_strPath);
    }
    if (err != 0) {
        Discard();
        return err;
    }
    m_strTemp.clear();
    m_fs.FlushFolder(FolderOf(m_strPath));
    CloseFiles();
    return 0;
}

void CZipWriter::Discard() {
    CloseFiles();
    if (!m_strTemp.empty()) {
        m_fs.Unlink(m_strTemp);
        m_strTemp.clear();
    }
    m_entries.clear();
}

void CZipWriter::CloseFiles() {
    for (CLane& lane : m_lanes) {
        lane.m_deflater.reset();
        if (lane.m_spool >= 0) {
            m_fs.Close(lane.m_spool);
        }
    }
    m_lanes.clear();
    if (m_file >= 0) {
        m_fs.Close(std::exchange(m_file, -1));
    }
}

// libzip leaves out an archive without entries; an empty archive is its end record alone.
int CZipWriter::WriteEmptyArchive() {
    static constexpr unsigned char kEndRecord[22] = {'P', 'K', 5, 6};
    size_t written = 0;
    const int err = m_fs.Write(m_file, 0, kEndRecord, sizeof kEndRecord, written);
    return err != 0 ? err : m_fs.Flush(m_file);
}

int CZipWriter::WriteArchive() {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = WriteSource(m_fs, m_file, &error);
    zip_t* za = out ? zip_open_from_source(out, ZIP_TRUNCATE, &error) : nullptr;
    if (!za) {
        if (out) {
            zip_source_free(out);
        }
        const int err = ErrnoOf(&error);
        zip_error_fini(&error);
        return err;
    }
    bool ok = true;
    for (size_t i = 0; ok && i < m_entries.size(); ++i) {
        const CEntry& e = m_entries[i];
        const CLane& lane = m_lanes[e.m_lane];
        const CSpoolSpan& spooled = lane.m_deflater->Spans()[e.m_span];
        CZipEntryMeta meta{e.m_name, e.m_lastWrite, e.m_mode};
        const CDeflatedSpan span{spooled.m_offset, spooled.m_size, e.m_size, e.m_crc,
                                 UnixFromFileTime(e.m_lastWrite)};
        ok = AddDeflatedEntry(za, m_fs, lane.m_spool, span, meta);
    }
    int err = 0;
    if (!ok) {
        err = ErrnoOf(zip_get_error(za));
        zip_discard(za);
    } else if (zip_close(za) != 0) {
        err = ErrnoOf(zip_get_error(za));
        zip_discard(za);
    }
    zip_error_fini(&error);
    return err;
}

}  // namespace tv
