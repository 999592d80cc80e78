#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/FileTime.h"
#include "uimodel/CompareArgs.h"

namespace tv {

class IFileSystem;

// How the two sides of a row differ. Folders are only ever one-sided or the same.
enum class CompareMark : int {
    Same,
    LeftOnly,
    RightOnly,
    LeftNewer,
    RightNewer,
    SizeDiffers,
    ContentDiffers,
    Count
};

// Whether files of equal time and size are read through to their last byte.
enum class ContentCheck { Attributes, Binary };

// One row of the side-by-side view: a folder or a file present on one side or both. A side
// that lacks it has its m_bLeft/m_bRight false and its size and time left at 0.
struct CCompareRow {
    int m_nDepth = 0;  // 0 directly below the roots
    bool m_bFolder = false;
    std::string m_strName;
    bool m_bLeft = false;
    bool m_bRight = false;
    uint64_t m_leftSize = 0;
    uint64_t m_rightSize = 0;
    FileTime m_leftTime = 0;
    FileTime m_rightTime = 0;
    CompareMark m_mark = CompareMark::Same;
};

using CCompareCounts = std::array<size_t, static_cast<size_t>(CompareMark::Count)>;

// The outcome of a comparison: rows in tree order (a folder row before what it holds), names
// sorted within each folder, and the counts of each mark over the file and folder rows.
struct CCompareResult {
    bool m_bListed = false;  // false: a side could not be listed (m_strError says which)
    std::string m_strError;
    std::vector<CCompareRow> m_rows;
    CCompareCounts m_counts{};
};

// Lists both sides with the engine's investigation (the same filters a run applies) and
// pairs them by name. Blocks for the whole listing and, with Binary, the reading; any
// thread.
CCompareResult CompareTrees(const CCompareArgs& args, ContentCheck check, IFileSystem& fs);

// The rows that differ, with the folders above them kept so that the tree still reads. Pure.
std::vector<CCompareRow> OnlyDifferences(const std::vector<CCompareRow>& rows);

// Runs CompareTrees on a thread of its own so that a window never waits for a big listing;
// `done` is called on that thread with the result. Destroying the runner waits for it.
class CCompareRunner {
  public:
    CCompareRunner() = default;
    ~CCompareRunner();
    CCompareRunner(const CCompareRunner&) = delete;
    CCompareRunner& operator=(const CCompareRunner&) = delete;

    // Starts the comparison; a comparison still running is waited for first. GUI thread.
    void Start(const CCompareArgs& args, ContentCheck check, IFileSystem& fs,
               std::function<void(CCompareResult)> done);

  private:
    std::thread m_thread;
};

}  // namespace tv
