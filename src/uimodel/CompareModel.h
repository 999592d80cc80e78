#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/FileTime.h"
#include "uimodel/CompareArgs.h"

namespace tv {

class IFileSystem;
class CTaskRunState;

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
    std::string m_strName;  // the left side's name, or the right side's when only it has one
    bool m_bLeft = false;
    bool m_bRight = false;
    uint64_t m_leftSize = 0;
    uint64_t m_rightSize = 0;
    FileTime m_leftTime = 0;
    FileTime m_rightTime = 0;
    CompareMark m_mark = CompareMark::Same;
    // Where the row lies below each root. Names that match without regard to case may be
    // spelt differently on the two sides; a side that lacks the row takes the other's spelling
    // below its own folders, which is where a copy would put it.
    std::string m_strPath;
    std::string m_strRightPath;

    std::string RightName() const;
};

using CCompareCounts = std::array<size_t, static_cast<size_t>(CompareMark::Count)>;

// The outcome of a comparison: rows in tree order (a folder row before what it holds), names
// sorted within each folder, and the counts of each mark over the file and folder rows.
struct CCompareResult {
    bool m_bListed = false;  // false: a side could not be listed (m_strError says which)
    std::string m_strError;
    std::vector<CCompareRow> m_rows;
    CCompareCounts m_counts{};

    void Recount();
};

// Shared by the window and the thread that lists or acts for it: how many entries have been
// listed so far, and the user's cancel. Every call but Attach may come from any thread.
class CCompareControl {
  public:
    void Cancel();
    bool Canceled() const { return m_bCanceled.load(); }
    size_t Listed() const { return m_nListed.load(); }
    void AddListed(size_t entries) { m_nListed += entries; }
    // Before a new comparison or action: no cancel, nothing listed. The window's thread.
    void Reset();
    // The working thread: the run a cancel is passed on to while it goes on (nullptr: none).
    void Attach(CTaskRunState* run);

  private:
    std::mutex m_mutex;  // guards m_pRun against a cancel arriving as it changes
    CTaskRunState* m_pRun = nullptr;
    std::atomic<bool> m_bCanceled{false};
    std::atomic<size_t> m_nListed{0};
};

// Lists both sides with the engine's investigation (the same filters a run applies) and
// pairs them by name, with or without regard to case as a run would. Blocks for the whole
// listing and, with Binary, the reading; any thread; cancelable through `control` (the result
// is then not listed).
CCompareResult CompareTrees(const CCompareArgs& args, ContentCheck check, IFileSystem& fs,
                            CCompareControl* control = nullptr);

// The rows that differ, with the folders above them kept so that the tree still reads. Pure.
std::vector<CCompareRow> OnlyDifferences(const std::vector<CCompareRow>& rows);

// The end of the rows below the folder row at `index` (one past the last of them); for a file
// row, index + 1. Pure.
size_t SubtreeEnd(const std::vector<CCompareRow>& rows, size_t index);

// Runs the comparison and its actions on a thread of their own so that a window never waits
// for them; `done` is called on that thread. Destroying the runner cancels and waits.
class CCompareRunner {
  public:
    CCompareRunner() = default;
    ~CCompareRunner();
    CCompareRunner(const CCompareRunner&) = delete;
    CCompareRunner& operator=(const CCompareRunner&) = delete;

    // Starts a comparison; work still going on is waited for first. GUI thread.
    void Start(const CCompareArgs& args, ContentCheck check, IFileSystem& fs,
               std::function<void(CCompareResult)> done);
    // Starts any other work on the runner's thread, as Start does. GUI thread.
    void Run(std::function<void(CCompareControl&)> work);
    // The progress and cancel of the work going on. Any thread.
    CCompareControl& Control() { return m_control; }

  private:
    std::thread m_thread;
    CCompareControl m_control;
};

}  // namespace tv
