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

void CTaskRunState::SetDisplayPath(bool source, std::string path) {
    std::lock_guard lock(m_mutex);
    m_displayPath[source ? 0 : 1] = std::move(path);
}

std::string CTaskRunState::DisplayPath(bool source) const {
    std::lock_guard lock(m_mutex);
    return m_displayPath[source ? 0 : 1];
}

}  // namespace tv
