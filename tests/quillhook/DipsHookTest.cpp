// The hook library's protocol as a caller drives it: install, wait for the dialog's WM_NULL,
// find the dialog, move the list view's last item with two WM_APP messages, close, remove.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "PumpThread.h"
#include "QuillHook.h"

namespace quill::test {
namespace {

const char* const kCaption = "Twinvale DIPS";
using SetHookFn = int32_t (*)(uint32_t, QUILL_POINT, uintptr_t);

// Moves the last item through the dialog and tells where it ended up.
CItemPosition Move(WindowId dialog, const CListViewThread& desk, LParam x, LParam y) {
    SendMessage(dialog, WM_APP, 0, x);
    SendMessage(dialog, WM_APP, desk.m_hList, y);
    return desk.m_pList->Position(2);
}

// One whole session of a caller, through whichever entry point it is given.
void RunSession(SetHookFn setHook) {
    CMessageThread installer;
    CListViewThread desk(3);
    ASSERT_EQ(setHook(desk.m_pump.Id(), QUILL_POINT{7, 8}, 0), 1);
    ASSERT_TRUE(WaitForNull());
    WindowId dialog = FindWindow(kCaption);
    ASSERT_NE(dialog, 0u);
    EXPECT_EQ(GetClassName(dialog), "Dialog");

    EXPECT_EQ(Move(dialog, desk, 120, 45), (CItemPosition{120, 45}));
    EXPECT_EQ(desk.m_pList->Position(0), CItemPosition{}) << "only the last item moves";
    EXPECT_EQ(desk.m_pList->Position(1), CItemPosition{});
    // Each coordinate keeps its low 16 bits, read back as a signed half.
    EXPECT_EQ(Move(dialog, desk, 70000, -3), (CItemPosition{4464, -3}));
    EXPECT_EQ(Move(dialog, desk, 65535, 0x12345), (CItemPosition{-1, 0x2345}));

    SendMessage(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(FindWindow(kCaption), 0u);
    EXPECT_EQ(setHook(0, QUILL_POINT{}, 0), 1);
    EXPECT_EQ(setHook(0, QUILL_POINT{}, 0), 0) << "nothing left to remove";
}

TEST(DipsHook, WholeSessionMovesTheLastItemAndRemovesTheHook) {
    RunSession(&SetDIPSHook);
}

TEST(DipsHook, TheLibraryLoadedByNameRunsTheSameSession) {
    void* library = dlopen(QUILLHOOK_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto setHook = reinterpret_cast<SetHookFn>(dlsym(library, "SetDIPSHook"));
    ASSERT_NE(setHook, nullptr) << dlerror();
    RunSession(setHook);
    dlclose(library);
}

TEST(DipsHook, FailuresAreReportedAsFalseAndForgetNothing) {
    CMessageThread installer;
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 0) << "removal before any installation";
    CListViewThread desk(1);
    ASSERT_EQ(SetDIPSHook(desk.m_pump.Id(), QUILL_POINT{}, 0), 1);
    ASSERT_TRUE(WaitForNull());
    EXPECT_EQ(SetDIPSHook(0xFFFFFF, QUILL_POINT{}, 0), 0) << "a thread without a queue";
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 1) << "the hook before the failure was lost";
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 0);
}

TEST(DipsHook, TheDialogIsMadeOnceAndAgainAfterItWasClosed) {
    CMessageThread installer;
    CListViewThread desk(1);
    ASSERT_EQ(SetDIPSHook(desk.m_pump.Id(), QUILL_POINT{}, 0), 1);
    ASSERT_TRUE(WaitForNull());
    WindowId first = FindWindow(kCaption);
    for (int i = 0; i < 5; ++i) {
        PostThreadMessage(desk.m_pump.Id(), WM_APP + 1, 0, 0);
    }
    ASSERT_TRUE(desk.m_pump.WaitTaken(6));
    EXPECT_FALSE(WaitForNull(std::chrono::milliseconds(200))) << "a second dialog was made";
    EXPECT_EQ(FindWindow(kCaption), first);

    SendMessage(first, WM_CLOSE, 0, 0);
    PostThreadMessage(desk.m_pump.Id(), WM_APP + 1, 0, 0);
    ASSERT_TRUE(WaitForNull()) << "the hook still installed makes a new dialog";
    WindowId second = FindWindow(kCaption);
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, first);
    SendMessage(second, WM_APP, 0, 9);
    SendMessage(second, WM_APP, desk.m_hList, 9);
    EXPECT_EQ(desk.m_pList->Position(0), (CItemPosition{9, 9}));
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 1);
}

TEST(DipsHook, WindowsWithoutALastItemAreLeftAlone) {
    CMessageThread installer;
    CListViewThread empty(0);
    ASSERT_EQ(SetDIPSHook(empty.m_pump.Id(), QUILL_POINT{}, 0), 1);
    ASSERT_TRUE(WaitForNull());
    WindowId dialog = FindWindow(kCaption);
    SendMessage(dialog, WM_APP, 0, 5);
    SendMessage(dialog, WM_APP, empty.m_hList, 6);
    EXPECT_EQ(empty.m_pList->MovesAsked(), 0) << "an empty list view got a move for index -1";
    SendMessage(dialog, WM_APP, dialog, 6);
    SendMessage(dialog, WM_APP, 0xDEAD, 6);
    EXPECT_EQ(FindWindow(kCaption), dialog) << "the dialog took a move meant for a list view";
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 1);
}

TEST(DipsHook, ASecondInstallationTakesOverTheSharedState) {
    CMessageThread first;
    CListViewThread deskA(1);
    ASSERT_EQ(SetDIPSHook(deskA.m_pump.Id(), QUILL_POINT{}, 0), 1);
    ASSERT_TRUE(WaitForNull());
    SendMessage(FindWindow(kCaption), WM_CLOSE, 0, 0);

    CListViewThread deskB(1);
    std::thread([&] {
        CMessageThread second;
        ASSERT_EQ(SetDIPSHook(deskB.m_pump.Id(), QUILL_POINT{}, 0), 1);
        EXPECT_TRUE(WaitForNull()) << "the newest installer hears of the dialog";
    }).join();
    EXPECT_FALSE(WaitForNull(std::chrono::milliseconds(200))) << "the first installer did";
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 1);
    EXPECT_EQ(SetDIPSHook(0, QUILL_POINT{}, 0), 0) << "only one hook is known at a time";
}

}  // namespace
}  // namespace quill::test
