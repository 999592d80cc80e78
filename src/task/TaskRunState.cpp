#include "task/TaskRunState.h"

namespace tv {

void CTaskRunState::RequestCancel(bool byUser) {
    {
        std::lock_guard lock(m_mutex);
        if (byUser) {
            m_bCanceledByUser = true;
        }
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
    return static_cast<ErrorPolicy>(m_dwPrefCopy.load() & pref::kPolicyMask);
}

void CTaskRunState::SetPolicy(ErrorPolicy policy) {
    uint32_t bits = m_dwPrefCopy.load();
    while (!m_dwPrefCopy.compare_exchange_weak(
        bits, (bits & ~pref::kPolicyMask) | static_cast<uint32_t>(policy))) {
    }
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
