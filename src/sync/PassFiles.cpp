#include <cstdio>

#include "base/StringTable.h"
#include "platform/LocaleDate.h"
#include "scan/InvestigateJob.h"
#include "scan/TreeF.h"
#include "sync/Compare.h"
#include "sync/Pass.h"
#include "task/Element.h"

namespace tv {

namespace {

// Time zones change their offset only at quarter hours, so one offset serves each quarter.
constexpr int64_t kZoneQuarter = 900;

}  // namespace

// Log lines show dates in the order of the user's locale, as the user reads them elsewhere.
// The zone's offset is looked up once per quarter hour: the system's lookup reads the zone
// file on every call.
std::string CSyncPass::TimeText(FileTime time) {
    const int64_t seconds = UnixFromFileTime(time);
    const int64_t quarter = seconds / kZoneQuarter - (seconds % kZoneQuarter < 0 ? 1 : 0);
    auto [it, added] = m_zoneOffsets.try_emplace(quarter, 0);
    if (added) {
        const int64_t start = quarter * kZoneQuarter;
        it->second = UnixFromFileTime(FileTimeFromCalendar(LocalCalendarFromUnix(start))) - start;
    }
    const auto local =
        static_cast<int64_t>(time) + it->second * static_cast<int64_t>(kTicksPerSecond);
    const CCalendarTime c = CalendarFromFileTime(static_cast<FileTime>(local));
    char clock[40];
    std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", c.hour, c.minute, c.second);
    return FormatDate(LocaleDateFormat(), c.year, c.month, c.day) + clock;
}

bool CSyncPass::PassFiles(CTreeF& node, const CPaths& paths, bool belowIncomplete,
                          CTargetNames& names) {
    std::vector<CFileDoInfo>& files = node.files;
    size_t processed = 0;
    bool goOn = true;
    for (; processed < files.size() && goOn; ++processed) {
        if (IsTaskCanceled(m_task)) {
            m_bCanceled = true;
            break;
        }
        CFileDoInfo& record = files[processed];
        goOn = record.side == Side::Source ? SourceRecord(record, paths, belowIncomplete, names)
                                           : TargetRecord(record, paths);
    }
    // A target record leaves the tree once its action was taken: the tree then describes the
    // source, as a snapshot wants it.
    size_t kept = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i < processed && files[i].side == Side::Target) {
            continue;
        }
        if (kept != i) {
            files[kept] = std::move(files[i]);
        }
        ++kept;
    }
    files.resize(kept);
    return goOn;
}

bool CSyncPass::SourceRecord(CFileDoInfo& record, const CPaths& paths, bool belowIncomplete,
                             CTargetNames& names) {
    const bool deletesAfter = m_kind == RunKind::UpdateTarget && m_task.m_bDeleteSourceAfterRun &&
                              m_request.m_bLastTarget && !belowIncomplete;
    const std::string src = JoinPath(paths.m_src, record.name);
    // Every source entry claims its target name, acting or not: a later one of the same
    // converted name would overwrite its twin.
    if (!ClaimTargetName(TargetName(record.name), names)) {
        const bool touchesTarget = record.selected && record.action != ACTION_DELETE &&
                                   !(record.action == ACTION_COPY && m_bThirdPlace);
        if (touchesTarget) {
            LogNameTaken(src, JoinPath(paths.m_dst, TargetName(record.name)));
            record.failed = true;
            m_bytes.m_done += record.size;
            return m_task.m_Run.Policy() != ErrorPolicy::Stop;
        }
    }
    if (!record.selected && !deletesAfter) {
        return true;
    }
    if (record.selected) {
        const std::string dst =
            JoinPath(paths.m_dst, record.matched ? MergedTargetName(record.name, paths.m_dst, names)
                                                 : TargetName(record.name));
        ShowFile(src, dst);
        bool goOn = true;
        switch (record.action) {
            case ACTION_COPY:
                if (m_bThirdPlace && !ReadyThirdPlace(paths.m_third)) {
                    record.failed = true;
                    goOn = m_task.m_Run.Policy() != ErrorPolicy::Stop;
                } else if (m_bThirdPlace) {
                    goOn = Copy(record, src, JoinPath(paths.m_third, record.name), false);
                } else {
                    goOn = Copy(record, src, dst, true);
                }
                break;
            case ACTION_DELETE:
                goOn = Delete(record, src, Side::Source);
                break;
            case ACTION_COPY_ATTRIBUTES:
                goOn = CopyAttributes(record, src, dst);
                break;
            case ACTION_COPY_TIMESTAMP:
                goOn = CopyTimes(record, src, dst);
                break;
            default:
                break;
        }
        if (!goOn) {
            return false;
        }
    }
    return !deletesAfter || DeleteSourceAfterRun(record, src);
}

bool CSyncPass::TargetRecord(CFileDoInfo& record, const CPaths& paths) {
    const std::string src = JoinPath(paths.m_src, record.name);
    const std::string dst = JoinPath(paths.m_dst, record.name);
    ShowFile(src, dst);
    switch (record.action) {
        case ACTION_DELETE:
            return Delete(record, dst, Side::Target);
        case ACTION_COPY:
            if (m_kind == RunKind::Synchronize || m_kind == RunKind::Restore) {
                return Copy(record, dst, src, true);
            }
            return true;
        case ACTION_COPY_TIMESTAMP:
            return CopyTimes(record, dst, src);
        case ACTION_COPY_ATTRIBUTES:
            return CopyAttributes(record, dst, src);
        default:
            return true;
    }
}

// `scannedDest`: the destination was scanned, so it must still be what the scan saw (or still
// be missing) for the copy to replace it.
bool CSyncPass::Copy(CFileDoInfo& record, const std::string& from, const std::string& to,
                     bool scannedDest) {
    CCopyRequest request;
    request.m_strSource = from;
    request.m_strDest = to;
    request.m_size = record.size;
    if (scannedDest) {
        request.m_destScanned = record.matched
                                    ? CScannedFile::File(record.otherSize, record.otherLastWrite)
                                    : CScannedFile::Absent();
    }
    const Side fromSide = record.side;
    const bool download = MediumOf(fromSide) == SideMedium::Ftp &&
                          (!scannedDest || MediumOf(OtherSide(fromSide)) == SideMedium::Local);
    if (download && m_task.Has3(opt3::kIncrementalDownload)) {
        request.m_resume = ResumeMode::AppendToMatchingStart;
    }
    const CPolicyOutcome outcome = m_policy.Perform(
        FileOpKind::Copy, from, record.size, [&] { return m_fileOps.CopyFile(request, m_bytes); },
        to);
    if (!outcome.m_bDone) {
        record.failed = true;
        return outcome.m_bGoOn;
    }
    record.done = true;
    LogCopy(record, from, to, ") ---> ");
    ++(record.side == Side::Source ? m_counts.m_nCopiedFromSource : m_counts.m_nCopiedFromTarget);
    const bool upload = scannedDest && MediumOf(fromSide) == SideMedium::Local &&
                        MediumOf(OtherSide(fromSide)) == SideMedium::Ftp;
    if (upload && m_task.Has2(opt2::kFtpSetLocalTime)) {
        return SetLocalTimeFromRemote(record, from, to);
    }
    return true;
}

bool CSyncPass::Delete(CFileDoInfo& record, const std::string& path, Side side) {
    const CScannedFile scanned = CScannedFile::File(record.size, record.lastWrite);
    const CPolicyOutcome outcome = m_policy.Perform(
        FileOpKind::Delete, path, record.size, [&] { return m_fileOps.DeleteFile(path, scanned); });
    if (!outcome.m_bDone) {
        record.failed = true;
        return outcome.m_bGoOn;
    }
    record.done = true;
    m_bytes.m_done += record.size;
    const std::string line = FormatText(LoadString(IDS_ITEM_DELETED).c_str(), path.c_str());
    LogChange(side == Side::Source ? CTaskInfor::DeletedInSource : CTaskInfor::DeletedInTarget,
              line, line);
    ++m_counts.m_nDeleted;
    return true;
}

// A file that is a link is replaced by a copy and unlinked by a delete, but its mode and times
// are those of what it leads to: they are not changed where that lies outside the root.
bool CSyncPass::PassOverOutsideLink(CFileDoInfo& record, const std::string& to) {
    if (!LeavesRoot(to, OtherSide(record.side))) {
        return false;
    }
    record.failed = true;
    m_bytes.m_done += record.size;
    return true;
}

bool CSyncPass::CopyAttributes(CFileDoInfo& record, const std::string& from,
                               const std::string& to) {
    if (PassOverOutsideLink(record, to)) {
        return true;
    }
    const CPolicyOutcome outcome =
        m_policy.Perform(FileOpKind::CopyAttributes, to, record.size,
                         [&] { return m_fileOps.CopyAttributes(to, record.attributes); });
    if (!outcome.m_bDone) {
        record.failed = true;
        return outcome.m_bGoOn;
    }
    record.done = true;
    m_bytes.m_done += record.size;
    LogCopy(record, from, to, ") --->(Attributes) ");
    return true;
}

bool CSyncPass::CopyTimes(CFileDoInfo& record, const std::string& from, const std::string& to) {
    if (PassOverOutsideLink(record, to)) {
        return true;
    }
    const CPolicyOutcome outcome =
        m_policy.Perform(FileOpKind::CopyAttributes, to, record.size,
                         [&] { return m_fileOps.CopyTimestamps(from, to); });
    if (!outcome.m_bDone) {
        record.failed = true;
        return outcome.m_bGoOn;
    }
    record.done = true;
    m_bytes.m_done += record.size;
    if (ITaskObserver* observer = m_task.m_Run.Observer(); observer && !m_bSilent) {
        observer->AddDetail(from + " (" + TimeText(record.lastWrite) + ") --->(Time) " + to);
    }
    return true;
}

// Only a file whose content the target (or the third place) now holds is deleted: one copied
// in this run, or one whose twin is the same size and not older. A file left behind by an
// option, a refused question or a failure stays where it is.
bool CSyncPass::DeleteSourceAfterRun(CFileDoInfo& record, const std::string& path) {
    const bool copied = record.done && record.action == ACTION_COPY;
    const bool twinHolds = !record.selected && record.matched && record.size == record.otherSize &&
                           CompareTimes(record.lastWrite, record.otherLastWrite) <= 0;
    if (record.failed || !(copied || twinHolds)) {
        return true;
    }
    const CScannedFile scanned = CScannedFile::File(record.size, record.lastWrite);
    const CPolicyOutcome outcome = m_policy.Perform(
        FileOpKind::Delete, path, 0, [&] { return m_fileOps.DeleteFile(path, scanned); });
    if (outcome.m_bDone) {
        const std::string line = FormatText(LoadString(IDS_ITEM_DELETED).c_str(), path.c_str());
        LogChange(CTaskInfor::DeletedInSource, line, line);
        ++m_counts.m_nDeleted;
    }
    return outcome.m_bGoOn;
}

// The third place mirrors the source's folders, made as the first file of each arrives.
bool CSyncPass::ReadyThirdPlace(const std::string& folder) {
    if (folder == m_thirdReady) {
        return true;
    }
    if (!EnsureFolders(folder, CTaskInfor::ListCount)) {
        return false;
    }
    m_thirdReady = folder;
    return true;
}

void CSyncPass::ShowFile(const std::string& src, const std::string& dst) {
    if (m_bSilent) {
        return;
    }
    m_task.m_Run.SetDisplayPath(Side::Source, src);
    m_task.m_Run.SetDisplayPath(Side::Target, dst);
    ITaskObserver* observer = m_task.m_Run.Observer();
    const int64_t second = CurrentTaskTime();
    if (observer && (!m_bProgressShown || second != m_progressSecond)) {
        observer->CopyProgress(m_bytes.Percent());
        m_bProgressShown = true;
        m_progressSecond = second;
    }
}

void CSyncPass::LogChange(CTaskInfor::List list, const std::string& line,
                          const std::string& detail) {
    m_task.m_Run.Record(list, line);
    if (ITaskObserver* observer = m_task.m_Run.Observer(); observer && !m_bSilent) {
        observer->AddDetail(detail);
    }
}

// "from (time) ---> to (time)"; the second time is empty for a file that had no twin.
void CSyncPass::LogCopy(const CFileDoInfo& record, const std::string& from, const std::string& to,
                        const char* arrow) {
    std::string line = from + " (" + TimeText(record.lastWrite) + arrow + to + " (";
    if (record.matched) {
        line += TimeText(record.otherLastWrite);
    }
    line += ')';
    const CTaskInfor::List list =
        record.side == Side::Source ? CTaskInfor::CopiedFromSource : CTaskInfor::CopiedFromTarget;
    LogChange(list, line, from + " ---> " + to);
}

std::string CSyncPass::TargetName(const std::string& name) const {
    return ConvertNameCase(name, m_targetCase);
}

// Without a conversion every name of a folder is its own, and nothing needs to be kept. With
// one, the next run pairs names without regard to case, so two that differ only in case would
// meet one twin there.
bool CSyncPass::ClaimTargetName(const std::string& name, CTargetNames& names) const {
    return m_targetCase == NameCase::Keep || names.m_claimed.insert(FoldedNameKey(name)).second;
}

// The planning step paired the two sides without regard to case, and the server's entry may
// be older than the conversion: it keeps its own spelling, looked up once per folder.
std::string CSyncPass::MergedTargetName(const std::string& name, const std::string& folder,
                                        CTargetNames& names) {
    if (m_targetCase == NameCase::Keep) {
        return name;
    }
    const std::string converted = TargetName(name);
    if (!names.m_bListed) {
        names.m_bListed = true;
        if (m_fs.ListNames(folder, names.m_existing) != 0) {
            names.m_existing.clear();
        }
    }
    const std::string key = FoldedNameKey(name);
    std::string found = converted;
    for (const std::string& existing : names.m_existing) {
        if (existing == converted) {
            return converted;
        }
        if (found == converted && FoldedNameKey(existing) == key) {
            found = existing;
        }
    }
    return found;
}

void CSyncPass::LogNameTaken(const std::string& path, const std::string& target) {
    m_policy.LogError(FormatText(LoadString(IDS_NAME_TAKEN).c_str(), path.c_str(), target.c_str()));
}

SideMedium CSyncPass::MediumOf(Side side) const {
    return side == Side::Source ? m_request.m_sourceMedium : m_request.m_targetMedium;
}

// The server may not keep the time the upload asked for; the local file takes the one the
// server shows, so that the next run finds the two equal.
bool CSyncPass::SetLocalTimeFromRemote(CFileDoInfo& record, const std::string& local,
                                       const std::string& remote) {
    const CPolicyOutcome outcome = m_policy.Perform(FileOpKind::CopyAttributes, local, 0, [&] {
        CFileInfo info;
        int err = m_fs.Stat(remote, info, LinkMode::Follow);
        if (err == 0 && info.m_lastWrite == 0) {
            return COpStatus{OpResult::Done, 0};
        }
        err = err != 0 ? err : m_fs.SetTimes(local, kKeepTime, info.m_lastWrite);
        if (err == 0) {
            record.lastWrite = info.m_lastWrite;
        }
        return COpStatus{err == 0 ? OpResult::Done : OpResult::Failed, err};
    });
    return outcome.m_bGoOn;
}

}  // namespace tv
