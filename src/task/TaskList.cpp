#include "task/TaskList.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <unordered_set>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "platform/TaskCounter.h"
#include "task/TaskBody.h"

namespace tv {

namespace {

constexpr char kTaskClass[] = "CElement";
// The first list version whose sounds are stored; older ones default them to the data folder.
constexpr int kSoundsVersion = 519;

CListLoadResult Outcome(CListLoadResult::Outcome outcome, std::string error) {
    CListLoadResult result;
    result.m_outcome = outcome;
    result.m_strError = std::move(error);
    return result;
}

}  // namespace

int CTaskList::NextFreeId() const {
    if (m_nHighestId < INT_MAX) {
        return std::max(m_nHighestId, 0) + 1;
    }
    // Every id up to the largest int cannot be in use: take the lowest free one.
    std::unordered_set<int> used;
    for (const auto& task : m_Tasks) {
        used.insert(task->m_nTaskId);
    }
    int id = 1;
    while (used.contains(id)) {
        ++id;
    }
    return id;
}

std::vector<uint8_t> CTaskList::Store() {
    CArchiveWriter ar;
    ar.WriteString(kCurrentListVersionText);
    ar.WriteCount(static_cast<uint32_t>(m_Tasks.size()));
    for (auto& task : m_Tasks) {
        if (task->m_nTaskId == -1) {
            task->m_nTaskId = NextFreeId();
        }
        ar.WriteObjectHeader(kTaskClass);
        WriteTaskBody(ar, *task);
        m_nHighestId = std::max(m_nHighestId, task->m_nTaskId);
    }
    return ar.Bytes();
}

CListLoadResult CTaskList::Load(IFileSystem& fs, std::span<const uint8_t> bytes,
                                const CProfile& profile) {
    CArchiveReader ar(bytes);
    std::string version;
    try {
        version = ar.ReadString();
    } catch (const CArchiveError&) {
        return Outcome(CListLoadResult::Outcome::NotAList, "the file has no version string");
    }
    std::optional<CBodyFormat> format = FormatOfVersion(version, ParseListVersion(version));
    if (!format) {
        return Outcome(CListLoadResult::Outcome::NotAList, "unknown version \"" + version + "\"");
    }
    if (format->m_nVersion < kSoundsVersion) {
        format->m_strDataFolder = ProgramDataFolder();
    }
    format->m_pCounterFs = &fs;
    m_Tasks.clear();
    m_bChanged = false;
    m_strVersion = std::move(version);
    m_nVersion = format->m_nVersion;
    CListLoadResult result = LoadTasks(ar, *format, profile);
    m_strVersion = kCurrentListVersionText;
    m_nVersion = kCurrentListVersion;
    return result;
}

CListLoadResult CTaskList::LoadTasks(CArchiveReader& ar, const CBodyFormat& format,
                                     const CProfile& profile) {
    std::unordered_set<int> loadedIds;
    try {
        // Tasks are taken one by one: a damaged count runs out of bytes, not of memory.
        for (uint32_t n = ar.ReadCount(); n > 0; --n) {
            ar.ReadObjectHeader(kTaskClass);
            auto task = std::make_unique<CElement>();
            ReadTaskBody(ar, *task, format);
            AdoptLoaded(std::move(task), format, profile, loadedIds);
        }
    } catch (const CArchiveError& e) {
        return Outcome(CListLoadResult::Outcome::Damaged,
                       std::string(e.what()) + " in task " + std::to_string(m_Tasks.size() + 1) +
                           " at byte " + std::to_string(ar.Position()));
    }
    return {};
}

void CTaskList::AdoptLoaded(std::unique_ptr<CElement> task, const CBodyFormat& format,
                            const CProfile& profile, std::unordered_set<int>& loadedIds) {
    if (format.m_layout == BodyLayout::Current) {
        task->m_nNextTarget =
            profile.GetProfileInt(profkey::kNextTargets, std::to_string(task->m_nTaskId), 0);
    }
    // Ids name log files, snapshots and scheduler jobs, so a list must not repeat one; an id
    // that is not positive could not name them either.
    if (task->m_nTaskId <= 0 || !loadedIds.insert(task->m_nTaskId).second) {
        task->m_nTaskId = NextFreeId();
        loadedIds.insert(task->m_nTaskId);
        m_bChanged = true;
    }
    m_nHighestId = std::max(m_nHighestId, task->m_nTaskId);
    m_Tasks.push_back(std::move(task));
}

CListLoadResult CTaskList::LoadFile(IFileSystem& fs, const std::string& path,
                                    const CProfile& profile) {
    CFileError error;
    const std::optional<std::string> bytes = ReadWholeFile(fs, path, &error);
    if (!bytes) {
        return Outcome(CListLoadResult::Outcome::CannotOpen, SystemErrorText(error.m_nCode));
    }
    CListLoadResult result =
        Load(fs, {reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()}, profile);
    if (result.m_outcome == CListLoadResult::Outcome::Loaded ||
        result.m_outcome == CListLoadResult::Outcome::Damaged) {
        m_strPath = path;
        RaiseTaskCounter(fs, m_nHighestId);
    }
    return result;
}

FileAccess CTaskList::Access(const std::string& path) const {
    if (IsInProgramFolders(path)) {
        return FileAccess::Private;
    }
    const bool secret = std::any_of(m_Tasks.begin(), m_Tasks.end(),
                                    [](const auto& task) { return task->HoldsPassword(); });
    return secret ? FileAccess::PrivateWhenNew : FileAccess::Shared;
}

bool CTaskList::SaveFile(IFileSystem& fs, const std::string& path, std::string* error) {
    const bool renumber = path != m_strPath;
    std::vector<int> oldIds;
    const int oldHighestId = m_nHighestId;
    if (renumber) {
        for (auto& task : m_Tasks) {
            oldIds.push_back(task->m_nTaskId);
            task->m_nTaskId = -1;
        }
    }
    const std::vector<uint8_t> bytes = Store();
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!WriteFileAtomically(fs, path, view, Access(path), error)) {
        // The file still holds the old ids, so the tasks keep them too.
        for (size_t i = 0; i < oldIds.size(); ++i) {
            m_Tasks[i]->m_nTaskId = oldIds[i];
        }
        if (renumber) {
            m_nHighestId = oldHighestId;
        }
        return false;
    }
    m_strPath = path;
    m_bChanged = false;
    RaiseTaskCounter(fs, m_nHighestId);
    return true;
}

std::vector<uint8_t> StoreTaskBody(CElement& task) {
    CArchiveWriter ar;
    WriteTaskBody(ar, task);
    return ar.Bytes();
}

bool LoadTaskBody(std::span<const uint8_t> bytes, CElement& task) {
    CArchiveReader ar(bytes);
    CElement loaded;
    try {
        ReadTaskBody(ar, loaded, CBodyFormat{});
    } catch (const CArchiveError&) {
        return false;
    }
    task = loaded;
    // Assignment leaves a record's reserved values alone; the body carries them.
    task.m_nReserved1 = int32_t(loaded.m_nReserved1);
    task.m_nReserved2 = int32_t(loaded.m_nReserved2);
    task.m_nReserved3 = int32_t(loaded.m_nReserved3);
    task.m_nReserved4 = int32_t(loaded.m_nReserved4);
    return true;
}

}  // namespace tv
