#include "scan/TreeF.h"

#include <algorithm>

#include "base/Archive.h"

namespace tv {

namespace {

constexpr char kTreeClass[] = "CTreeF";
constexpr char kFileClass[] = "CFileDoInfo";
// Deeper than any path the kernel accepts; a stored tree nested further is damage, and
// following it would only exhaust the stack.
constexpr int kMaxStoredDepth = 4096;
// The smallest stored record: an object reference (2), an empty string (4), a size (4), a
// time (12) and the attributes (4). It bounds a count before anything is reserved.
constexpr size_t kMinStoredFile = 26;
// Stored times are pinned to what a FILETIME of the investigation can hold.
constexpr int64_t kMinStoredSeconds = -11'644'473'600;  // 1601-01-01
constexpr int64_t kMaxStoredSeconds = 32'535'215'999;   // 3000-12-31 23:59:59

enum class StoredPair { None, Own, Other };

// Which size/time pair says what the target holds after the run (snapshots are read back as
// the target): a record that says nothing of it is left out of the stored lists.
StoredPair PairToStore(const CFileDoInfo& file) {
    if (file.side == Side::Source) {
        if (!file.selected || file.done) {
            return StoredPair::Own;
        }
        return file.matched ? StoredPair::Other : StoredPair::None;
    }
    return file.done ? StoredPair::None : StoredPair::Own;
}

bool HasFieldsToStore(const CTreeF& node) {
    return !((node.sourceOnly || node.targetOnly) && node.processed);
}

// The FILETIME's calendar fields read as local time, in seconds since 1970.
int64_t StoredTime(FileTime time) {
    return UnixFromLocalCalendar(CalendarFromFileTime(time));
}

FileTime TimeFromStored(int64_t seconds) {
    if (seconds < kMinStoredSeconds) {
        seconds = kMinStoredSeconds;
    } else if (seconds > kMaxStoredSeconds) {
        seconds = kMaxStoredSeconds;
    }
    const CCalendarTime local = LocalCalendarFromUnix(seconds);
    return local.year < 1601 ? 0 : FileTimeFromCalendar(local);
}

void StoreFile(const CFileDoInfo& file, StoredPair pair, CArchiveWriter& ar) {
    const bool own = pair == StoredPair::Own;
    ar.WriteString(file.name);
    ar.WriteUInt32(static_cast<uint32_t>(own ? file.size : file.otherSize));
    ar.WriteTime(StoredTime(own ? file.lastWrite : file.otherLastWrite));
    ar.WriteUInt32(file.attributes);
}

void LoadFile(CFileDoInfo& file, CArchiveReader& ar) {
    file.name = ar.ReadString();
    file.size = ar.ReadUInt32();
    file.lastWrite = TimeFromStored(ar.ReadTime());
    file.attributes = ar.ReadUInt32();
    file.side = Side::Target;
}

void LoadNode(CTreeF& node, CArchiveReader& ar, int depth) {
    if (depth > kMaxStoredDepth) {
        throw CArchiveError("folder tree nested too deeply");
    }
    node.name = ar.ReadString();
    node.files.clear();
    node.subfolders.clear();
    node.targetOnly = true;
    node.sourceOnly = false;
    const uint32_t fileCount = ar.ReadCount();
    node.files.reserve(std::min<size_t>(fileCount, ar.Remaining() / kMinStoredFile));
    for (uint32_t i = 0; i < fileCount; ++i) {
        ar.ReadObjectHeader(kFileClass);
        LoadFile(node.files.emplace_back(), ar);
    }
    const uint32_t folderCount = ar.ReadCount();
    for (uint32_t i = 0; i < folderCount; ++i) {
        ar.ReadObjectHeader(kTreeClass);
        auto child = std::make_unique<CTreeF>();
        LoadNode(*child, ar, depth + 1);
        node.subfolders.push_back(std::move(child));
    }
}

}  // namespace

void CTreeF::Store(CArchiveWriter& ar) const {
    ar.WriteString(name);
    uint32_t fileCount = 0;
    for (const auto& file : files) {
        fileCount += PairToStore(file) != StoredPair::None;
    }
    ar.WriteCount(fileCount);
    for (const auto& file : files) {
        if (const StoredPair pair = PairToStore(file); pair != StoredPair::None) {
            ar.WriteObjectHeader(kFileClass);
            StoreFile(file, pair, ar);
        }
    }
    uint32_t folderCount = 0;
    for (const auto& folder : subfolders) {
        folderCount += HasFieldsToStore(*folder);
    }
    ar.WriteCount(folderCount);
    for (const auto& folder : subfolders) {
        if (HasFieldsToStore(*folder)) {
            ar.WriteObjectHeader(kTreeClass);
            folder->Store(ar);
        }
    }
}

void CTreeF::Load(CArchiveReader& ar) {
    LoadNode(*this, ar, 0);
}

}  // namespace tv
