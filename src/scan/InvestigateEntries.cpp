#include "scan/InvestigateEntries.h"

#include <algorithm>
#include <memory>

#include "platform/FileSystem.h"
#include "scan/Filter.h"
#include "scan/InvestigateJob.h"
#include "scan/SkippedItems.h"
#include "scan/TreeF.h"
#include "task/Element.h"
#include "task/KeepSettings.h"

namespace tv {

namespace {

constexpr int kLatestYear = 3000;
constexpr FileTime kFirstTimeAfterLatestYear = 441'796'896'000'000'000;  // 3001-01-01
// From this many files on, a folder's list is big enough to be mapped memory of its own.
constexpr size_t kRoomForTargetFrom = 4096;

}  // namespace

FileTime NormalizeListedTime(FileTime time) {
    time = TruncateToSecond(time);
    if (time < kFirstTimeAfterLatestYear) {
        return time;
    }
    CCalendarTime calendar = CalendarFromFileTime(time);
    calendar.year = kLatestYear;
    if (calendar.month == 2 && calendar.day == 29) {
        calendar.day = 28;  // 3000 is no leap year
    }
    return FileTimeFromCalendar(calendar);
}

CEntrySink::CEntrySink(CInvestigationJob& job, size_t expectedFiles)
    : m_job(job),
      m_task(*job.m_pTask),
      m_node(*job.m_pNode),
      m_nFirstNewFile(job.m_pNode->files.size()),
      m_strPath(JoinPath(job.m_strPath, {})),
      m_bSubfolders(m_task.Has1(opt1::kIncludeSubfolders)),
      m_bSkipJunctions(m_task.Has4(opt4::kSkipJunctions)),
      m_bSkipHidden(m_task.Has4(opt4::kSkipHidden)),
      m_bSkipSystem(m_task.Has4(opt4::kSkipSystem)),
      m_bSilent(m_task.Has2(opt2::kSilent) || !m_task.m_Run.Observer()) {
    m_nPrefixLength = m_strPath.size();
    // The plan appends the target's records of a folder to the source's. A big folder's list
    // keeps room for as many again: memory that is reserved and never touched costs nothing,
    // and the merge need not copy both lists into a new one.
    const size_t wanted = m_nFirstNewFile + expectedFiles;
    m_bRoomForTarget = m_job.m_side == Side::Source && expectedFiles >= kRoomForTargetFrom;
    m_node.files.reserve(m_bRoomForTarget ? 2 * wanted : wanted);
}

bool CEntrySink::ShouldStop() const {
    return m_job.StopRequested();
}

bool CEntrySink::IsSkippedByAttributes(uint32_t attributes) const {
    return (m_bSkipHidden && (attributes & attr::kHidden)) ||
           (m_bSkipSystem && (attributes & attr::kSystem));
}

const std::string& CEntrySink::FullPath(const std::string& name) {
    m_strPath.resize(m_nPrefixLength);
    m_strPath += name;
    return m_strPath;
}

bool CEntrySink::Admit(const std::string& name, bool isFolder, uint64_t size, FileTime lastWrite) {
    if (!m_job.m_pFilter) {
        return true;
    }
    if (!m_job.m_pSkipped) {
        return m_job.m_pFilter->Admit(FullPath(name), isFolder, size, lastWrite);
    }
    CFilterVerdict verdict = m_job.m_pFilter->Judge(FullPath(name), isFolder, size, lastWrite);
    if (verdict.m_reason == PlanReason::None) {
        return true;
    }
    CSkippedItem item;
    item.m_strFolder = RelativeFolder();
    item.m_record =
        CFileDoInfo(name, size, m_job.m_side, lastWrite, 0, 0, false, false, ACTION_NONE);
    item.m_record.reason = verdict.m_reason;
    item.m_strMask = std::move(verdict.m_strMask);
    item.m_bFolder = isFolder;
    m_job.m_pSkipped->Add(std::move(item));
    return false;
}

// The listed folder below its side's root, for the account of a dry run.
std::string CEntrySink::RelativeFolder() const {
    const std::string& root = m_job.m_strRootPath;
    std::string folder = m_job.m_strPath;
    if (folder.starts_with(root)) {
        folder.erase(0, root.size());
    }
    while (!folder.empty() && folder.front() == '/') {
        folder.erase(0, 1);
    }
    return folder;
}

void CEntrySink::AddFolder(const std::string& name, FileTime creation, uint32_t attributes) {
    if (!m_bSubfolders || (m_bSkipJunctions && (attributes & attr::kReparsePoint))) {
        return;
    }
    // What runs kept is the sides' history, not their content: it never travels. Below the
    // root too, where it is the versions folder of another task's side.
    if (name == kVersionsFolderName) {
        return;
    }
    if (!m_bSilent) {
        m_task.m_Run.SetDisplayPath(m_job.m_side, FullPath(name));
        m_task.m_Run.Observer()->Investigating(m_job.m_side);
    }
    if (!Admit(name, true, 0, 0)) {
        return;
    }
    auto folder = std::make_unique<CTreeF>();
    folder->name = name;
    folder->time = creation;
    if (m_job.m_side == Side::Source) {
        folder->targetOnly = m_node.targetOnly;
        folder->sourceOnly = m_node.sourceOnly;
    } else {
        folder->targetOnly = true;
        folder->sourceOnly = false;
    }
    m_node.subfolders.push_back(std::move(folder));
}

void CEntrySink::AddFile(std::string& name, uint64_t size, FileTime lastWrite, FileTime creation,
                         uint32_t attributes) {
    lastWrite = NormalizeListedTime(lastWrite);
    if (!Admit(name, false, size, lastWrite)) {
        return;
    }
    (m_job.m_side == Side::Source ? m_node.sourceEmpty : m_node.targetEmpty) = false;
    m_node.files.emplace_back(std::move(name), size, m_job.m_side, lastWrite, creation, attributes,
                              false, false, ACTION_NONE);
}

void CEntrySink::Finish() {
    auto& files = m_node.files;
    if (m_job.m_side == Side::Source) {
        std::reverse(files.begin() + static_cast<std::ptrdiff_t>(m_nFirstNewFile), files.end());
    }
    if (!m_bRoomForTarget && files.capacity() - files.size() > files.size() / 8 + 4) {
        files.shrink_to_fit();
    }
}

}  // namespace tv
