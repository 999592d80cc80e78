#pragma once
// A small message-hook layer: threads with message queues, windows owned by threads, posted
// and sent messages, and a "get message" hook chain per thread. It lives in libquillhook.so
// so that every thread of a process that loads the library can be hooked through it.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#define QUILL_API __attribute__((visibility("default")))

namespace quill {

using ThreadId = std::uint32_t;   // 0 is never a thread
using WindowId = std::uintptr_t;  // 0 is never a window
using HookId = std::uintptr_t;    // 0 is never a hook
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_APP = 0x8000;
inline constexpr std::uint32_t LVM_GETITEMCOUNT = 0x1004;
inline constexpr std::uint32_t LVM_SETITEMPOSITION = 0x100F;

// What a hook procedure of the chain receives as its code: the message is being taken.
inline constexpr int HC_ACTION = 0;

struct CMessage {
    WindowId m_hWnd = 0;
    std::uint32_t m_nMessage = 0;
    WParam m_wParam = 0;
    LParam m_lParam = 0;
};

// Packs two coordinates the way a list view reads a point: low and high 16-bit halves.
inline LParam MakeLParam(std::int32_t x, std::int32_t y) {
    return static_cast<LParam>((static_cast<std::uint32_t>(x) & 0xFFFFu) |
                               ((static_cast<std::uint32_t>(y) & 0xFFFFu) << 16));
}

// Gives the thread that constructs it a message queue and an id until it is destroyed. On
// destruction the thread's windows are destroyed, the hooks installed for it removed, and
// every send still waiting on it is answered with 0.
class QUILL_API CMessageThread {
  public:
    CMessageThread();
    ~CMessageThread();
    CMessageThread(const CMessageThread&) = delete;
    CMessageThread& operator=(const CMessageThread&) = delete;
    ThreadId Id() const { return m_nId; }

  private:
    ThreadId m_nId;
};

// A window's behaviour. Its procedure runs on the thread that created the window.
class QUILL_API CWindow {
  public:
    virtual ~CWindow() = default;
    virtual std::string ClassName() const = 0;
    virtual LResult Proc(WindowId self, std::uint32_t message, WParam wParam, LParam lParam) = 0;
    // The window is gone (destroyed, or its thread ended); runs on the thread that destroyed it.
    virtual void OnDestroy() {}
};

enum class Got { Message, Quit, TimedOut };

// Non-blocking. Any thread. False when no thread has that id.
QUILL_API bool PostThreadMessage(ThreadId thread, std::uint32_t message, WParam wParam,
                                 LParam lParam);
// Blocks until a posted message arrives or the time-out passes; answers messages sent to the
// thread's windows meanwhile. Only a thread with a CMessageThread calls it. The message passes
// through the thread's hook chain before it is returned.
QUILL_API Got GetMessage(CMessage& message, std::chrono::milliseconds timeout);
// Runs the message's window procedure on the calling thread; 0 without a window.
QUILL_API LResult DispatchMessage(const CMessage& message);
// The id of the calling thread's queue; 0 when it has none.
QUILL_API ThreadId CurrentThreadId();

// Non-blocking. A thread with a queue only; 0 otherwise. The window is owned by that thread.
QUILL_API WindowId CreateWindow(std::shared_ptr<CWindow> window, std::string caption);
// Non-blocking. Any thread. False when the window does not exist.
QUILL_API bool DestroyWindow(WindowId window);
// Any thread: the first window with that caption, 0 when none.
QUILL_API WindowId FindWindow(const std::string& caption);
// Any thread: the class name of a window, empty when it does not exist.
QUILL_API std::string GetClassName(WindowId window);
// Blocks until the owner thread has run the window procedure (it does so inside GetMessage);
// answers messages sent to the caller's own windows while waiting. 0 when the window or its
// thread is gone.
QUILL_API LResult SendMessage(WindowId window, std::uint32_t message, WParam wParam, LParam lParam);

// Receives each message that a thread takes from its queue; lParam points at the CMessage.
using HookProc = LResult (*)(int code, WParam wParam, LParam lParam);
// Non-blocking. Any thread. Puts the procedure first in the chain of that thread; 0 when no
// thread has that id.
QUILL_API HookId SetGetMessageHook(HookProc procedure, ThreadId thread);
// Non-blocking. Any thread. False when no such hook is installed.
QUILL_API bool UnhookGetMessageHook(HookId hook);
// Hook procedures only: passes the call on to the next procedure of the running chain. The
// chain is known from the calling thread, so the handle only names the caller.
QUILL_API LResult CallNextHook(HookId hook, int code, WParam wParam, LParam lParam);

}  // namespace quill
