#include "sync/Compare.h"

#include <cstring>
#include <memory>
#include <system_error>

#include "base/StringTable.h"

namespace tv {

namespace {

// Large blocks keep the number of reads low; the result does not depend on the size.
constexpr size_t kBlockSize = 256 * 1024;

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

void ReportUncompared(CElement& task, const std::string& path, int error) {
    task.m_Run.RecordError(FormatText(LoadString(IDS_CANT_COMPARE).c_str(), path.c_str(),
                                      std::generic_category().message(error).c_str()));
}

// One file read from start to end, closed with the object.
class CReadFile {
  public:
    CReadFile(IFileSystem& fs, int file) : m_fs(fs), m_file(file) {}
    ~CReadFile() { m_fs.Close(m_file); }
    CReadFile(const CReadFile&) = delete;
    CReadFile& operator=(const CReadFile&) = delete;

    // Fills the block unless the file ends first: a short read is not the end of the file.
    // Returns the bytes read, or -errno.
    int64_t ReadBlock(char* buffer) {
        size_t filled = 0;
        while (filled < kBlockSize) {
            size_t got = 0;
            if (const int err =
                    m_fs.Read(m_file, m_offset, buffer + filled, kBlockSize - filled, got)) {
                return -err;
            }
            if (got == 0) {
                break;
            }
            filled += got;
            m_offset += got;
        }
        return static_cast<int64_t>(filled);
    }

  private:
    IFileSystem& m_fs;
    int m_file;
    uint64_t m_offset = 0;
};

int CompareContents(CElement& task, CReadFile& a, const std::string& pathA, CReadFile& b,
                    const std::string& pathB) {
    const auto bufferA = std::make_unique_for_overwrite<char[]>(kBlockSize);
    const auto bufferB = std::make_unique_for_overwrite<char[]>(kBlockSize);
    while (!IsTaskCanceled(task)) {
        const int64_t countA = a.ReadBlock(bufferA.get());
        const int64_t countB = b.ReadBlock(bufferB.get());
        if (countA < 0 || countB < 0) {
            ReportUncompared(task, countA < 0 ? pathA : pathB,
                             static_cast<int>(countA < 0 ? -countA : -countB));
            return COMPARE_EQUAL;
        }
        if (countA != countB) {
            return COMPARE_SOURCE_NEWER;
        }
        if (countA == 0) {
            return COMPARE_EQUAL;
        }
        if (std::memcmp(bufferA.get(), bufferB.get(), static_cast<size_t>(countA)) != 0) {
            return COMPARE_SOURCE_NEWER;
        }
    }
    return COMPARE_EQUAL;
}

int CompareBinary(CElement& task, const CFileDoInfo& src, const CFileDoInfo& dst,
                  const std::string& srcFolder, const std::string& dstFolder, IFileSystem& fs) {
    if (src.size != dst.size) {
        return COMPARE_SOURCE_NEWER;
    }
    const std::string srcPath = JoinPath(srcFolder, src.name);
    const std::string dstPath = JoinPath(dstFolder, dst.name);
    int srcHandle = -1;
    if (const int err = fs.OpenRead(srcPath, srcHandle); err != 0) {
        ReportUncompared(task, srcPath, err);
        return COMPARE_EQUAL;
    }
    CReadFile srcFile(fs, srcHandle);
    int dstHandle = -1;
    if (const int err = fs.OpenRead(dstPath, dstHandle); err != 0) {
        ReportUncompared(task, dstPath, err);
        return COMPARE_EQUAL;
    }
    CReadFile dstFile(fs, dstHandle);
    return CompareContents(task, srcFile, srcPath, dstFile, dstPath);
}

int CompareTimesOrAttributes(const CElement& task, const CFileDoInfo& src, const CFileDoInfo& dst) {
    const bool sameAttributes = src.attributes == dst.attributes;
    switch (CompareTimes(src.lastWrite, dst.lastWrite)) {
        case 1:
            return COMPARE_SOURCE_NEWER;
        case -1:
            // A backup that never takes older files still repairs the target's attributes.
            return task.m_Run.Kind() == RunKind::UpdateTarget &&
                           !task.Has1(opt1::kOnlyIfTargetNewer) && !sameAttributes
                       ? COMPARE_ATTRIBUTES_DIFFER
                       : COMPARE_TARGET_NEWER;
        default:
            return sameAttributes ? COMPARE_EQUAL : COMPARE_ATTRIBUTES_DIFFER;
    }
}

}  // namespace

int CompareTimes(FileTime a, FileTime b) {
    if (a > b) {
        return a - b > kTimeTolerance ? 1 : 0;
    }
    return b - a > kTimeTolerance ? -1 : 0;
}

int CompareFiles(CElement& task, const CFileDoInfo& src, const CFileDoInfo& dst,
                 const std::string& srcFolder, const std::string& dstFolder, bool /*srcIsFtp*/,
                 bool /*dstIsFtp*/, IFileSystem& fs) {
    const bool timesDiffer = CompareTimes(src.lastWrite, dst.lastWrite) != 0;
    const bool sizesDiffer = src.size != dst.size;
    switch (task.m_nCompareMode) {
        case COMPARE_TIME:
            return CompareTimes(src.lastWrite, dst.lastWrite);
        case COMPARE_TIME_OR_ATTRIBUTES:
            return CompareTimesOrAttributes(task, src, dst);
        case COMPARE_SIZE:
            return sizesDiffer ? COMPARE_SOURCE_NEWER : COMPARE_EQUAL;
        case COMPARE_TIME_AND_SIZE:
            return timesDiffer && sizesDiffer ? COMPARE_SOURCE_NEWER : COMPARE_EQUAL;
        case COMPARE_TIME_OR_SIZE:
            return timesDiffer || sizesDiffer ? COMPARE_SOURCE_NEWER : COMPARE_EQUAL;
        case COMPARE_BINARY:
            return CompareBinary(task, src, dst, srcFolder, dstFolder, fs);
        default:
            return COMPARE_EQUAL;
    }
}

}  // namespace tv
