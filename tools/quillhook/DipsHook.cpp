#include <atomic>

#include "ListView.h"
#include "MessageLayer.h"
#include "QuillHook.h"

namespace quill {
namespace {

// Shared by every user of the library: one hook and one installer at a time, so a second
// installation overwrites both.
std::atomic<HookId> g_nHook{0};
std::atomic<ThreadId> g_nInstaller{0};

std::atomic<bool> g_bDialogPending{true};

class CDipsDialog : public CWindow {
  public:
    std::string ClassName() const override { return "Dialog"; }
    LResult Proc(WindowId self, std::uint32_t message, WParam wParam, LParam lParam) override;
    // A closed dialog is made again by the next message the hooked thread takes, so that a
    // caller who closed it can still use the hook it left installed.
    void OnDestroy() override { g_bDialogPending = true; }

  private:
    void MoveLastItem(WindowId listView) const;

    std::int32_t m_nX = 0;
    std::int32_t m_nY = 0;
};

LResult CDipsDialog::Proc(WindowId self, std::uint32_t message, WParam wParam, LParam lParam) {
    if (message == WM_APP) {
        if (wParam == 0) {
            m_nX = static_cast<std::int32_t>(lParam);
        } else {
            m_nY = static_cast<std::int32_t>(lParam);
            MoveLastItem(static_cast<WindowId>(wParam));
        }
    } else if (message == WM_CLOSE) {
        DestroyWindow(self);
    }
    return 0;
}

// A window that is not a list view, or one without items, has no last item to move: a move
// for index -1 would reach a control that never expected it.
void CDipsDialog::MoveLastItem(WindowId listView) const {
    if (GetClassName(listView) != CListView::kClassName) {
        return;
    }
    LResult count = SendMessage(listView, LVM_GETITEMCOUNT, 0, 0);
    if (count <= 0) {
        return;
    }
    SendMessage(listView, LVM_SETITEMPOSITION, static_cast<WParam>(count - 1),
                MakeLParam(m_nX, m_nY));
}

LResult GetMessageHook(int code, WParam wParam, LParam lParam) {
    if (g_bDialogPending.exchange(false)) {
        if (CreateWindow(std::make_shared<CDipsDialog>(), "Twinvale DIPS") != 0) {
            PostThreadMessage(g_nInstaller, WM_NULL, 0, 0);
        } else {
            g_bDialogPending = true;
        }
    }
    return CallNextHook(g_nHook, code, wParam, lParam);
}

}  // namespace
}  // namespace quill

// The point and the window are not used: the dialog moves the item to the point it is told by
// WM_APP in the hooked thread, never to one the installer held.
extern "C" int32_t SetDIPSHook(uint32_t thread, QUILL_POINT, uintptr_t) {
    using namespace quill;
    if (thread == 0) {
        bool removed = UnhookGetMessageHook(g_nHook.exchange(0));
        return removed ? 1 : 0;
    }
    // The installer is known before the hook can run; a failed installation leaves the hook
    // installed before known, so that it can still be removed.
    const ThreadId previous = g_nInstaller.exchange(CurrentThreadId());
    const HookId hook = SetGetMessageHook(&GetMessageHook, thread);
    if (hook == 0) {
        g_nInstaller = previous;
        return 0;
    }
    g_nHook = hook;
    return PostThreadMessage(thread, WM_NULL, 0, 0) ? 1 : 0;
}
