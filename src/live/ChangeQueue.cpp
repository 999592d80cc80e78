#include "live/ChangeQueue.h"

#include <algorithm>

namespace tv {

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
    if (folder.empty()) {
        return true;
    }
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

void CChangeQueue::MarkDirty(const std::string& path, LiveClock::time_point due) {
    {
        std::lock_guard lock(m_mutex);
        MarkLocked(path, due);
    }
    m_wake.notify_one();
}

void CChangeQueue::MarkLocked(const std::string& path, LiveClock::time_point due) {
    auto [it, added] = m_entries.try_emplace(path, CEntry{due, LiveClock::now()});
    if (!added) {
        m_byDue.erase({it->second.m_due, path});
        it->second.m_due = std::min(due, it->second.m_first + kLongestWait);
    }
    m_byDue.emplace(it->second.m_due, path);
}

void CChangeQueue::AddRename(CRename rename) {
    {
        std::lock_guard lock(m_mutex);
        MoveBelow(rename.m_from, rename.m_to);
        m_renames.push_back(std::move(rename));
    }
    m_wake.notify_one();
}

// A path that waits under the old name keeps its due time under the new one; one in hand is
// carried out under the old name, where the source no longer has it, so it is marked anew.
void CChangeQueue::MoveBelow(const std::string& from, const std::string& to) {
    std::vector<std::pair<std::string, LiveClock::time_point>> moved;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (IsAtOrBelow(it->first, from)) {
            moved.emplace_back(to + it->first.substr(from.size()), it->second.m_due);
            m_byDue.erase({it->second.m_due, it->first});
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
    const auto now = LiveClock::now();
    for (const std::string& path : m_inHand) {
        if (IsAtOrBelow(path, from)) {
            moved.emplace_back(to + path.substr(from.size()), now);
        }
    }
    for (const auto& [path, due] : moved) {
        MarkLocked(path, due);
    }
}

void CChangeQueue::RequestResync() {
    {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
        m_byDue.clear();
        m_renames.clear();
        m_bResync = true;
    }
    m_wake.notify_one();
}

bool CChangeQueue::Ready(LiveClock::time_point now) const {
    return m_bResync || !m_renames.empty() || (!m_byDue.empty() && m_byDue.begin()->first <= now);
}

bool CChangeQueue::Take(CChangeBatch& batch) {
    batch = {};
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_bStopped) {
            return false;
        }
        const auto now = LiveClock::now();
        if (Ready(now)) {
            break;
        }
        if (m_byDue.empty()) {
            m_wake.wait(lock);
        } else {
            // A copy: wait_until reads its time point again after waking, when the entry it
            // came from may be gone.
            const LiveClock::time_point due = m_byDue.begin()->first;
            m_wake.wait_until(lock, due);
        }
    }
    batch.m_bResync = std::exchange(m_bResync, false);
    batch.m_renames = std::exchange(m_renames, {});
    const auto now = LiveClock::now();
    while (!m_byDue.empty() && m_byDue.begin()->first <= now &&
           batch.m_paths.size() < kBatchPaths) {
        batch.m_paths.push_back(m_byDue.begin()->second);
        m_entries.erase(m_byDue.begin()->second);
        m_byDue.erase(m_byDue.begin());
    }
    std::sort(batch.m_paths.begin(), batch.m_paths.end());
    m_inHand = batch.m_paths;
    return true;
}

void CChangeQueue::Done() {
    std::lock_guard lock(m_mutex);
    m_inHand.clear();
}

void CChangeQueue::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopped = true;
    }
    m_wake.notify_all();
}

}  // namespace tv
