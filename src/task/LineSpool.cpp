#include "task/LineSpool.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tv {

namespace {

// Large enough that writes are few, small enough to matter little beside nine lists.
constexpr size_t kSpillBytes = 64 * 1024;

// A record is the line's length in the machine's own byte order, then its bytes: lines may hold
// any byte, line feeds included. The file never outlives the process that wrote it.
using RecordLength = uint64_t;

void AppendRecord(std::string& to, std::string_view line) {
    const RecordLength length = line.size();
    to.append(reinterpret_cast<const char*>(&length), sizeof(length));
    to.append(line);
}

// Visits the whole records at the start of `bytes`; returns how many bytes they took.
size_t VisitRecords(std::string_view bytes, const std::function<void(std::string_view)>& visit) {
    size_t at = 0;
    while (bytes.size() - at >= sizeof(RecordLength)) {
        RecordLength length = 0;
        std::memcpy(&length, bytes.data() + at, sizeof(length));
        if (bytes.size() - at - sizeof(length) < length) {
            break;
        }
        visit(bytes.substr(at + sizeof(length), length));
        at += sizeof(length) + length;
    }
    return at;
}

}  // namespace

int CLineSpool::Add(std::string_view line, IFileSystem* fs, const std::string& folder) {
    ++m_nCount;
    AppendRecord(m_buffer, line);
    if (m_bInMemory || m_buffer.size() < kSpillBytes) {
        return 0;
    }
    if (!fs || folder.empty()) {
        m_bInMemory = true;
        return 0;
    }
    const int error = Spill(*fs, folder);
    m_bInMemory = error != 0;
    return error;
}

// A write that fails part of the way leaves the file's count of whole records as it was, so
// the torn end is never read back.
int CLineSpool::Spill(IFileSystem& fs, const std::string& folder) {
    if (const int error = m_file.Open(fs, folder)) {
        return error;
    }
    if (const int error = m_file.Write(m_nFileBytes, m_buffer)) {
        return error;
    }
    m_nFileBytes += m_buffer.size();
    m_buffer.clear();
    return 0;
}

void CLineSpool::ForEach(const std::function<void(std::string_view)>& visit) const {
    if (m_nFileBytes > 0) {
        ReadBack(visit);
    }
    VisitRecords(m_buffer, visit);
}

void CLineSpool::ReadBack(const std::function<void(std::string_view)>& visit) const {
    std::vector<char> chunk(kSpillBytes);
    std::string pending;  // the start of a record that the next chunk completes
    for (uint64_t offset = 0; offset < m_nFileBytes;) {
        const size_t want =
            static_cast<size_t>(std::min<uint64_t>(chunk.size(), m_nFileBytes - offset));
        size_t got = 0;
        if (m_file.Read(offset, chunk.data(), want, got) != 0 || got == 0) {
            return;
        }
        offset += got;
        pending.append(chunk.data(), got);
        pending.erase(0, VisitRecords(pending, visit));
    }
}

}  // namespace tv
