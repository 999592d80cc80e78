#pragma once
// A thread with a message queue that runs its message loop until it is destroyed, the way a
// program's window thread does; optionally it owns a list view.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "ListView.h"
#include "MessageLayer.h"

namespace quill::test {

inline constexpr std::chrono::milliseconds kPatience{5000};

class CPumpThread {
  public:
    // setUp runs on the new thread once it has its queue, before the loop starts.
    explicit CPumpThread(std::function<void()> setUp = {}) {
        std::promise<ThreadId> started;
        auto id = started.get_future();
        m_thread = std::thread([this, &started, setUp] {
            CMessageThread queue;
            if (setUp) {
                setUp();
            }
            started.set_value(queue.Id());
            CMessage message;
            while (GetMessage(message, std::chrono::hours(1)) == Got::Message) {
                DispatchMessage(message);
                std::lock_guard lock(m_mutex);
                ++m_nTaken;
                m_taken.notify_all();
            }
        });
        m_nId = id.get();
    }
    ~CPumpThread() {
        PostThreadMessage(m_nId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    CPumpThread(const CPumpThread&) = delete;
    CPumpThread& operator=(const CPumpThread&) = delete;

    ThreadId Id() const { return m_nId; }
    // Blocks until the loop has taken that many posted messages in all.
    bool WaitTaken(int count) {
        std::unique_lock lock(m_mutex);
        return m_taken.wait_for(lock, kPatience, [&] { return m_nTaken >= count; });
    }

  private:
    std::thread m_thread;
    ThreadId m_nId = 0;
    std::mutex m_mutex;
    std::condition_variable m_taken;
    int m_nTaken = 0;
};

// A pumping thread that owns a list view with the given number of items.
struct CListViewThread {
    explicit CListViewThread(int items)
        : m_pList(std::make_shared<CListView>(items)),
          m_pump([this] { m_hList = CreateWindow(m_pList, "Desktop"); }) {}
    std::shared_ptr<CListView> m_pList;
    WindowId m_hList = 0;
    CPumpThread m_pump;
};

// Waits on the calling thread's queue for a posted WM_NULL.
inline bool WaitForNull(std::chrono::milliseconds patience = kPatience) {
    CMessage message;
    while (GetMessage(message, patience) == Got::Message) {
        if (message.m_nMessage == WM_NULL) {
            return true;
        }
    }
    return false;
}

}  // namespace quill::test
