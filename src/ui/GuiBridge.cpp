#include "ui/GuiBridge.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

namespace tv {

struct CGuiBridge::CState {
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bDetached = false;
};

namespace {

enum class Stage { Queued, Running, Done, Abandoned };

}  // namespace

CGuiBridge::CGuiBridge() : m_state(std::make_shared<CState>()) {}

CGuiBridge::~CGuiBridge() {
    Detach();
}

bool CGuiBridge::Call(const std::function<void()>& fn) {
    if (QThread::currentThread() == m_context.thread()) {
        fn();
        return true;
    }
    auto stage = std::make_shared<Stage>(Stage::Queued);
    std::unique_lock lock(m_state->m_mutex);
    if (m_state->m_bDetached) {
        return false;
    }
    // `fn` lives on this thread's stack: the GUI side runs it only while this call still
    // waits for it, which the stage under the lock decides.
    QMetaObject::invokeMethod(
        &m_context,
        [state = m_state, stage, &fn] {
            {
                std::lock_guard guard(state->m_mutex);
                if (*stage != Stage::Queued) {
                    return;
                }
                *stage = Stage::Running;
            }
            fn();
            {
                std::lock_guard guard(state->m_mutex);
                *stage = Stage::Done;
            }
            state->m_changed.notify_all();
        },
        Qt::QueuedConnection);
    m_state->m_changed.wait(lock, [&] {
        return *stage == Stage::Done || (*stage == Stage::Queued && m_state->m_bDetached);
    });
    if (*stage == Stage::Done) {
        return true;
    }
    *stage = Stage::Abandoned;
    return false;
}

// The answer lives apart from the waiting thread's stack: a window may still reply after its
// waiter was let go by a detach.
std::optional<int> CGuiBridge::Await(const std::function<void(const Reply& reply)>& open) {
    auto answer = std::make_shared<std::optional<int>>();
    if (QThread::currentThread() == m_context.thread()) {
        QEventLoop loop;
        open([answer, &loop](int value) {
            if (!*answer) {
                *answer = value;
                loop.quit();
            }
        });
        if (!*answer) {
            loop.exec();
        }
        return *answer;
    }
    const Reply reply = [state = m_state, answer](int value) {
        {
            std::lock_guard guard(state->m_mutex);
            if (*answer) {
                return;
            }
            *answer = value;
        }
        state->m_changed.notify_all();
    };
    if (!Call([&] { open(reply); })) {
        return std::nullopt;
    }
    std::unique_lock lock(m_state->m_mutex);
    m_state->m_changed.wait(lock, [&] { return answer->has_value() || m_state->m_bDetached; });
    return *answer;
}

// Nobody waits for a posted call, so it is delivered even to a detached GUI: whoever waits for
// the end of runs by keeping the events going still sees the ends arrive.
void CGuiBridge::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&m_context, std::move(fn), Qt::QueuedConnection);
}

void CGuiBridge::Detach() {
    {
        std::lock_guard lock(m_state->m_mutex);
        m_state->m_bDetached = true;
    }
    m_state->m_changed.notify_all();
}

bool CGuiBridge::Detached() const {
    std::lock_guard lock(m_state->m_mutex);
    return m_state->m_bDetached;
}

}  // namespace tv
