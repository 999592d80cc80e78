#pragma once

#include <cstdint>
#include <string>

#include "base/FileTime.h"
#include "platform/FileSystem.h"
#include "scan/FileDoInfo.h"
#include "task/Element.h"

namespace tv {

// Results of CompareFiles.
enum CompareResult : int {
    COMPARE_EQUAL = 0,
    COMPARE_SOURCE_NEWER = 1,  // also: the files differ and the criterion gives no direction
    COMPARE_TARGET_NEWER = -1,
    COMPARE_ATTRIBUTES_DIFFER = 2,  // "Timestamps OR attributes" only
};

// Two last-write times closer than this count as equal (file systems keep times coarsely).
inline constexpr uint64_t kTimeTolerance = 25'000'000;

// 1 when `a` is later than `b` beyond the tolerance, -1 when earlier, else 0.
int CompareTimes(FileTime a, FileTime b);

// Decides whether a source/target pair differs under the task's criterion and, where the
// criterion tells, which side is newer. Worker thread of the run. Only "Binary compare"
// blocks: it reads both files ("folder/name") through `fs`, which must reach an FTP side
// too, and stops early when IsTaskCanceled says so. A file that cannot be read leaves the
// pair equal and adds a line to the current run record's errors. Every side, FTP or not,
// joins folder and name with "/", so the two FTP flags change nothing here.
int CompareFiles(CElement& task, const CFileDoInfo& src, const CFileDoInfo& dst,
                 const std::string& srcFolder, const std::string& dstFolder, bool srcIsFtp,
                 bool dstIsFtp, IFileSystem& fs);

}  // namespace tv
