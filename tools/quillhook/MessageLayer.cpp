#include "MessageLayer.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quill {
namespace {

// A message sent to a window of another thread; it lives on the sender's stack until answered.
struct CSent {
    CMessage m_message;
    LResult m_nResult = 0;
    bool m_bDone = false;
    std::condition_variable* m_pWake = nullptr;
};

struct CQueue {
    std::deque<CMessage> m_posted;
    std::deque<CSent*> m_sent;
    std::condition_variable m_wake;
};

struct CWindowEntry {
    std::shared_ptr<CWindow> m_pWindow;
    std::string m_strCaption;
    ThreadId m_nOwner = 0;
};

struct CHook {
    HookId m_nId = 0;
    HookProc m_pProc = nullptr;
    ThreadId m_nThread = 0;
};

// One lock guards everything: the layer carries a handful of messages, not a workload.
struct CLayer {
    std::mutex m_mutex;
    std::map<ThreadId, std::unique_ptr<CQueue>> m_threads;
    std::map<WindowId, CWindowEntry> m_windows;  // by id, which is creation order
    std::vector<CHook> m_hooks;                  // newest first
    ThreadId m_nNextThread = 1;
    WindowId m_nNextWindow = 1;
    HookId m_nNextHook = 1;
};

// Never destroyed, so a thread still ending during exit finds it intact.
CLayer& Layer() {
    static CLayer* layer = new CLayer;
    return *layer;
}

thread_local ThreadId t_nThread = 0;

// The chain being run on this thread, for CallNextHook.
struct CRunningChain {
    const std::vector<HookProc>* m_pProcs = nullptr;
    std::size_t m_nNext = 0;
};
thread_local CRunningChain t_chain;

CQueue* QueueOf(CLayer& layer, ThreadId thread) {
    auto found = layer.m_threads.find(thread);
    return found == layer.m_threads.end() ? nullptr : found->second.get();
}

// Runs one message sent to this thread's windows; the lock is released around the procedure.
bool AnswerOneSent(std::unique_lock<std::mutex>& lock, CQueue& queue) {
    if (queue.m_sent.empty()) {
        return false;
    }
    CLayer& layer = Layer();
    CSent* sent = queue.m_sent.front();
    queue.m_sent.pop_front();
    auto found = layer.m_windows.find(sent->m_message.m_hWnd);
    std::shared_ptr<CWindow> window =
        found == layer.m_windows.end() ? nullptr : found->second.m_pWindow;
    lock.unlock();
    const CMessage& m = sent->m_message;
    LResult result = window ? window->Proc(m.m_hWnd, m.m_nMessage, m.m_wParam, m.m_lParam) : 0;
    lock.lock();
    sent->m_nResult = result;
    sent->m_bDone = true;
    sent->m_pWake->notify_all();
    return true;
}

void RunHookChain(CMessage& message) {
    std::vector<HookProc> procs;
    {
        CLayer& layer = Layer();
        std::lock_guard lock(layer.m_mutex);
        for (const CHook& hook : layer.m_hooks) {
            if (hook.m_nThread == t_nThread) {
                procs.push_back(hook.m_pProc);
            }
        }
    }
    if (procs.empty()) {
        return;
    }
    CRunningChain outer = std::exchange(t_chain, CRunningChain{&procs, 1});
    const WParam removed = 1;
    procs.front()(HC_ACTION, removed, reinterpret_cast<LParam>(&message));
    t_chain = outer;
}

}  // namespace

CMessageThread::CMessageThread() {
    if (t_nThread != 0) {
        throw std::logic_error("this thread has a message queue already");
    }
    CLayer& layer = Layer();
    std::lock_guard lock(layer.m_mutex);
    m_nId = layer.m_nNextThread++;
    layer.m_threads.emplace(m_nId, std::make_unique<CQueue>());
    t_nThread = m_nId;
}

CMessageThread::~CMessageThread() {
    CLayer& layer = Layer();
    std::vector<std::shared_ptr<CWindow>> gone;
    {
        std::lock_guard lock(layer.m_mutex);
        std::unique_ptr<CQueue> queue = std::move(layer.m_threads[m_nId]);
        layer.m_threads.erase(m_nId);
        for (CSent* sent : queue->m_sent) {
            sent->m_bDone = true;
            sent->m_pWake->notify_all();
        }
        std::erase_if(layer.m_hooks, [this](const CHook& hook) { return hook.m_nThread == m_nId; });
        for (auto it = layer.m_windows.begin(); it != layer.m_windows.end();) {
            if (it->second.m_nOwner == m_nId) {
                gone.push_back(std::move(it->second.m_pWindow));
                it = layer.m_windows.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& window : gone) {
        window->OnDestroy();
    }
    t_nThread = 0;
}

ThreadId CurrentThreadId() {
    return t_nThread;
}

bool PostThreadMessage(ThreadId thread, std::uint32_t message, WParam wParam, LParam lParam) {
    CLayer& layer = Layer();
    std::lock_guard lock(layer.m_mutex);
    CQueue* queue = QueueOf(layer, thread);
    if (!queue) {
        return false;
    }
    queue->m_posted.push_back(CMessage{0, message, wParam, lParam});
    queue->m_wake.notify_all();
    return true;
}

Got GetMessage(CMessage& message, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    CLayer& layer = Layer();
    std::unique_lock lock(layer.m_mutex);
    CQueue* queue = QueueOf(layer, t_nThread);
    if (!queue) {
        return Got::Quit;
    }
    for (;;) {
        if (AnswerOneSent(lock, *queue)) {
            continue;
        }
        if (!queue->m_posted.empty()) {
            message = queue->m_posted.front();
            queue->m_posted.pop_front();
            lock.unlock();
            if (message.m_nMessage == WM_QUIT) {
                return Got::Quit;
            }
            RunHookChain(message);
            return Got::Message;
        }
        if (queue->m_wake.wait_until(lock, deadline) == std::cv_status::timeout &&
            queue->m_posted.empty() && queue->m_sent.empty()) {
            return Got::TimedOut;
        }
    }
}

LResult DispatchMessage(const CMessage& message) {
    std::shared_ptr<CWindow> window;
    {
        CLayer& layer = Layer();
        std::lock_guard lock(layer.m_mutex);
        auto found = layer.m_windows.find(message.m_hWnd);
        if (found == layer.m_windows.end() || found->second.m_nOwner != t_nThread) {
            return 0;
        }
        window = found->second.m_pWindow;
    }
    return window->Proc(message.m_hWnd, message.m_nMessage, message.m_wParam, message.m_lParam);
}

WindowId CreateWindow(std::shared_ptr<CWindow> window, std::string caption) {
    CLayer& layer = Layer();
    std::lock_guard lock(layer.m_mutex);
    if (!window || !QueueOf(layer, t_nThread)) {
        return 0;
    }
    WindowId id = layer.m_nNextWindow++;
    layer.m_windows.emplace(id, CWindowEntry{std::move(window), std::move(caption), t_nThread});
    return id;
}

bool DestroyWindow(WindowId window) {
    std::shared_ptr<CWindow> gone;
    {
        CLayer& layer = Layer();
        std::lock_guard lock(layer.m_mutex);
        auto found = layer.m_windows.find(window);
        if (found == layer.m_windows.end()) {
            return false;
        }
        gone = std::move(found->second.m_pWindow);
        layer.m_windows.erase(found);
    }
    gone->OnDestroy();
    return true;
}

WindowId FindWindow(const std::string& caption) {
    CLayer& layer = Layer();
    std::lock_guard lock(layer.m_mutex);
    for (const auto& [id, entry] : layer.m_windows) {
        if (entry.m_strCaption == caption) {
            return id;
        }
    }
    return 0;
}

std::string GetClassName(WindowId window) {
    std::shared_ptr<CWindow> found;
    {
        CLayer& layer = Layer();
        std::lock_guard lock(layer.m_mutex);
        auto it = layer.m_windows.find(window);
        if (it == layer.m_windows.end()) {
            return {};
        }
        found = it->second.m_pWindow;
    }
    return found->ClassName();
}

LResult SendMessage(WindowId window, std::uint32_t message, WParam wParam, LParam lParam) {
    CLayer& layer = Layer();
    std::unique_lock lock(layer.m_mutex);
    auto found = layer.m_windows.find(window);
    if (found == layer.m_windows.end()) {
        return 0;
    }
    if (found->second.m_nOwner == t_nThread) {
        std::shared_ptr<CWindow> own = found->second.m_pWindow;
        lock.unlock();
        return own->Proc(window, message, wParam, lParam);
    }
    CQueue* owner = QueueOf(layer, found->second.m_nOwner);
    if (!owner) {
        return 0;
    }
    CQueue* mine = QueueOf(layer, t_nThread);
    std::condition_variable wake;
    CSent sent{CMessage{window, message, wParam, lParam}, 0, false, mine ? &mine->m_wake : &wake};
    owner->m_sent.push_back(&sent);
    owner->m_wake.notify_all();
    while (!sent.m_bDone) {
        // Answering our own windows meanwhile keeps two threads that send to each other going.
        if (mine && AnswerOneSent(lock, *mine)) {
            continue;
        }
        sent.m_pWake->wait(lock);
    }
    return sent.m_nResult;
}

HookId SetGetMessageHook(HookProc procedure, ThreadId thread) {
    CLayer& layer = Layer();
    std::lock_guard lock(layer.m_mutex);
    if (!procedure || !QueueOf(layer, thread)) {
        return 0;
    }
    HookId id = layer.m_nNextHook++;
    layer.m_hooks.insert(layer.m_hooks.begin(), CHook{id, procedure, thread});
    return id;
}

bool UnhookGetMessageHook(HookId hook) {
    CLayer& layer = Layer();
    std::lock_guard lock(layer.m_mutex);
    return std::erase_if(layer.m_hooks, [hook](const CHook& h) { return h.m_nId == hook; }) > 0;
}

LResult CallNextHook(HookId, int code, WParam wParam, LParam lParam) {
    if (!t_chain.m_pProcs || t_chain.m_nNext >= t_chain.m_pProcs->size()) {
        return 0;
    }
    HookProc next = (*t_chain.m_pProcs)[t_chain.m_nNext++];
    return next(code, wParam, lParam);
}

}  // namespace quill
