#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/FileTime.h"
#include "scan/FileDoInfo.h"
#include "task/Element.h"

namespace tv {

// Why the filter refuses an entry (PlanReason::None: admitted), with the mask that decided.
struct CFilterVerdict {
    PlanReason m_reason = PlanReason::None;
    std::string m_strMask;
};

// The task's exclusion and inclusion settings for one location, prepared once so that the
// check of each entry is cheap. Build one per side before that side is investigated.
class CFilter {
  public:
    // Reads the task's filter settings and takes `now` (seconds since 1970) as the moment the
    // age limit counts back from. Does not block.
    CFilter(const CElement& task, const std::string& rootPath, bool isFtp,
            TaskTime now = CurrentTaskTime());

    // True to admit the entry. Any thread; blocks only for one mount-point query when the
    // entry's name is "System Volume Information".
    bool Admit(const std::string& fullPath, bool isFolder, uint64_t size,
               FileTime lastWrite) const {
        return Judge(fullPath, isFolder, size, lastWrite).m_reason == PlanReason::None;
    }
    // The same decision with its reason. Same threads and blocking as Admit.
    CFilterVerdict Judge(const std::string& fullPath, bool isFolder, uint64_t size,
                         FileTime lastWrite) const;

  private:
    void PrepareTimeLimit(const CElement& task, TaskTime now);
    void PrepareExcludedItems(const CElement& task, const std::string& rootPath);
    bool IsVolumeInformation(std::string_view path, std::string_view name) const;
    bool InTimeLimit(FileTime lastWrite) const;
    bool IsExcludedPath(std::string_view path) const;

    bool m_bIsFtp;
    bool m_bTimeLimit = false;
    bool m_bExcludePeriod = false;
    bool m_bExcludeItems = false;
    bool m_bSizeLimit = false;
    TaskTime m_timeFrom = 0;
    TaskTime m_timeTo = 0;
    uint64_t m_nMaxSize = 0;
    std::string m_strRootPrefix;  // the root without trailing separators, then one "/"
    // Upper-case excluded items, relative to the root and as whole paths.
    std::unordered_set<std::string> m_ExcludedTails;
    std::unordered_set<std::string> m_ExcludedPaths;
    std::vector<std::string> m_ExcludeMasks;
    std::vector<std::string> m_IncludeMasks;
};

// One-off form of CFilter::Admit for a single entry (see there). `side` is part of the
// investigation's call but the rules are the same on both sides.
bool FilterCheck(uint64_t size, FileTime lastWrite, const CElement& task,
                 const std::string& fullPath, const std::string& rootPath, bool isFolder,
                 bool isFtp, Side side);

}  // namespace tv
