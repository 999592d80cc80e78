#include "task/TaskRunState.h"

#include <algorithm>

namespace tv {

// A run that ended while paused (the pause came after its last check) must not hold up the
// next one, nor may a cancel or the records of the last run reach into it.
bool CTaskRunState::Begin(RunKind kind, uint32_t preferences, size_t targets, IFileSystem* spoolFs,
                          const std::string& spoolFolder) {
    bool idle = false;
    if (!m_bRunning.compare_exchange_strong(idle, true)) {
        return false;
    }
    m_kind = kind;
    m_dwPreferences = preferences;
    m_bInvestigationFailed = false;
    m_end = RunEnd::None;
    m_records.clear();
    // A task without targets still gets one record, so that what its run reports at the end
    // (a failed mail, say) reaches its log.
    for (size_t i = 0; i < std::max<size_t>(targets, 1); ++i) {
        m_records.push_back(spoolFs ? std::make_unique<CTaskInfor>(*spoolFs, spoolFolder)
                                    : std::make_unique<CTaskInfor>());
    }
    m_pCurrent = m_records.empty() ? nullptr : m_records.front().get();
    {
        std::lock_guard lock(m_mutex);
        m_bCancelRequested = false;
        m_bPaused = false;
        m_changes = {};
        m_displayPath[0].clear();
        m_displayPath[1].clear();
    }
    return true;
}

void CTaskRunState::End(RunEnd end) {
    m_pCurrent = nullptr;
    m_end = end;
    m_bRunning = false;
}

void CTaskRunState::Attach(ITaskObserver* observer, ITaskPrompter* prompter) {
    m_pObserver = observer;
    m_pPrompter = prompter;
}

void CTaskRunState::RequestCancel() {
    {
        std::lock_guard lock(m_mutex);
        m_bCancelRequested = true;
    }
    m_pauseChanged.notify_all();
}

void CTaskRunState::SetPaused(bool paused) {
    {
        std::lock_guard lock(m_mutex);
        m_bPaused = paused;
    }
    m_pauseChanged.notify_all();
}

bool CTaskRunState::WaitWhilePaused() {
    if (m_bCancelRequested) {
        return true;
    }
    if (m_bPaused) {
        std::unique_lock lock(m_mutex);
        m_pauseChanged.wait(lock, [this] { return !m_bPaused || m_bCancelRequested; });
    }
    return m_bCancelRequested;
}

ErrorPolicy CTaskRunState::Policy() const {
    return static_cast<ErrorPolicy>(m_dwPreferences.load() & pref::kPolicyMask);
}

void CTaskRunState::SetPolicy(ErrorPolicy policy) {
    uint32_t bits = m_dwPreferences.load();
    while (!m_dwPreferences.compare_exchange_weak(
        bits, (bits & ~pref::kPolicyMask) | static_cast<uint32_t>(policy))) {
    }
}

void CTaskRunState::SelectTarget(size_t index) {
    m_pCurrent = index < m_records.size() ? m_records[index].get() : nullptr;
    m_bInvestigationFailed = false;
}

void CTaskRunState::Record(CTaskInfor::List list, std::string line) {
    if (m_pCurrent) {
        m_pCurrent->Add(list, std::move(line));
    }
}

size_t CTaskRunState::CurrentCount(CTaskInfor::List list) const {
    return m_pCurrent ? m_pCurrent->Count(list) : 0;
}

size_t CTaskRunState::Count(CTaskInfor::List list) const {
    size_t count = 0;
    for (const auto& record : m_records) {
        count += record->Count(list);
    }
    return count;
}

void CTaskRunState::AddChanges(const CChangeCounts& counts) {
    std::lock_guard lock(m_mutex);
    m_changes.m_nCopiedFromSource += counts.m_nCopiedFromSource;
    m_changes.m_nCopiedFromTarget += counts.m_nCopiedFromTarget;
    m_changes.m_nDeletedInSource += counts.m_nDeletedInSource;
    m_changes.m_nDeletedInTarget += counts.m_nDeletedInTarget;
}

CChangeCounts CTaskRunState::Changes() const {
    std::lock_guard lock(m_mutex);
    return m_changes;
}

void CTaskRunState::SetDisplayPath(Side side, std::string path) {
    std::lock_guard lock(m_mutex);
    m_displayPath[static_cast<size_t>(side)] = std::move(path);
}

std::string CTaskRunState::DisplayPath(Side side) const {
    std::lock_guard lock(m_mutex);
    return m_displayPath[static_cast<size_t>(side)];
}

void CTaskRunState::ClearDisplayPaths() {
    std::lock_guard lock(m_mutex);
    m_displayPath[0].clear();
    m_displayPath[1].clear();
}

}  // namespace tv
