// The message-hook layer under threads: hook chains, sends between threads (also when the
// other side ends or sends back), and what a thread's end takes with it.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <vector>

#include "PumpThread.h"

namespace quill::test {
namespace {

// Records what the hooks of a chain saw, in the order they ran.
std::vector<int> g_hookOrder;
std::mutex g_hookMutex;

void Record(int who) {
    std::lock_guard lock(g_hookMutex);
    g_hookOrder.push_back(who);
}

LResult OlderHook(int code, WParam wParam, LParam lParam) {
    Record(1);
    return CallNextHook(0, code, wParam, lParam);
}

// Rewrites the message before the loop sees it, as a get-message hook may.
LResult NewerHook(int code, WParam wParam, LParam lParam) {
    Record(2);
    reinterpret_cast<CMessage*>(lParam)->m_wParam = 77;
    return CallNextHook(0, code, wParam, lParam);
}

class CRecorder : public CWindow {
  public:
    std::string ClassName() const override { return "Recorder"; }
    LResult Proc(WindowId, std::uint32_t message, WParam wParam, LParam) override {
        return message == WM_APP ? static_cast<LResult>(wParam) * 2 : 0;
    }
    void OnDestroy() override { m_bDestroyed = true; }
    std::atomic<bool> m_bDestroyed{false};
};

TEST(MessageLayer, HookChainRunsNewestFirstAndPassesOnWhatItChanged) {
    g_hookOrder.clear();
    CMessageThread self;
    CPumpThread other;
    HookId older = SetGetMessageHook(&OlderHook, self.Id());
    HookId newer = SetGetMessageHook(&NewerHook, self.Id());
    ASSERT_NE(older, 0u);
    ASSERT_NE(newer, 0u);
    EXPECT_EQ(SetGetMessageHook(&OlderHook, 0xFFFFFF), 0u) << "no such thread";

    PostThreadMessage(self.Id(), WM_APP, 1, 0);
    CMessage message;
    ASSERT_EQ(GetMessage(message, kPatience), Got::Message);
    EXPECT_EQ(message.m_wParam, 77u);
    EXPECT_EQ(g_hookOrder, (std::vector<int>{2, 1}));

    PostThreadMessage(other.Id(), WM_APP, 1, 0);
    ASSERT_TRUE(other.WaitTaken(1));
    EXPECT_EQ(g_hookOrder.size(), 2u) << "a hook ran for a thread it was not installed for";

    EXPECT_TRUE(UnhookGetMessageHook(newer));
    EXPECT_FALSE(UnhookGetMessageHook(newer));
    PostThreadMessage(self.Id(), WM_APP, 1, 0);
    ASSERT_EQ(GetMessage(message, kPatience), Got::Message);
    EXPECT_EQ(message.m_wParam, 1u);
    EXPECT_EQ(g_hookOrder, (std::vector<int>{2, 1, 1}));
    EXPECT_TRUE(UnhookGetMessageHook(older));
}

// Window A's procedure sends to window B, whose procedure sends back to A while A's thread is
// still waiting for B: the waiting thread answers, so neither blocks the other for good.
class CRelay : public CWindow {
  public:
    std::string ClassName() const override { return "Relay"; }
    LResult Proc(WindowId, std::uint32_t, WParam wParam, LParam) override {
        if (wParam == 0 || m_hPeer == 0) {
            return 1;
        }
        return 10 + SendMessage(m_hPeer, WM_APP, wParam - 1, 0);
    }
    std::atomic<WindowId> m_hPeer{0};
};

TEST(MessageLayer, ThreadsSendingToEachOtherDoNotDeadlock) {
    auto relayA = std::make_shared<CRelay>();
    auto relayB = std::make_shared<CRelay>();
    WindowId a = 0;
    WindowId b = 0;
    CPumpThread threadA([&] { a = CreateWindow(relayA, "A"); });
    CPumpThread threadB([&] { b = CreateWindow(relayB, "B"); });
    relayA->m_hPeer = b;
    relayB->m_hPeer = a;
    EXPECT_EQ(SendMessage(a, WM_APP, 4, 0), 41) << "A -> B -> A -> B -> A";
}

TEST(MessageLayer, AThreadsEndAnswersWaitingSendsAndTakesItsWindowsAndHooks) {
    auto recorder = std::make_shared<CRecorder>();
    std::latch created(1);
    std::latch release(1);
    WindowId window = 0;
    ThreadId id = 0;
    HookId hook = 0;
    std::thread owner([&] {
        CMessageThread queue;
        id = queue.Id();
        window = CreateWindow(recorder, "never pumped");
        hook = SetGetMessageHook(&OlderHook, id);
        created.count_down();
        release.wait();  // ends without ever taking a message
    });
    created.wait();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        release.count_down();
    });
    EXPECT_EQ(SendMessage(window, WM_APP, 21, 0), 0) << "answered by the thread's end";
    owner.join();
    releaser.join();
    EXPECT_TRUE(recorder->m_bDestroyed);
    EXPECT_EQ(FindWindow("never pumped"), 0u);
    EXPECT_FALSE(UnhookGetMessageHook(hook));
    EXPECT_FALSE(PostThreadMessage(id, WM_APP, 0, 0));
}

TEST(MessageLayer, PostsFromManyThreadsAllArriveInTheirOrder) {
    constexpr int kSenders = 4;
    constexpr int kEach = 2000;
    CMessageThread self;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            for (int i = 0; i < kEach; ++i) {
                PostThreadMessage(self.Id(), WM_APP, static_cast<WParam>(s), i);
            }
        });
    }
    std::vector<LParam> next(kSenders, 0);
    CMessage message;
    for (int n = 0; n < kSenders * kEach; ++n) {
        ASSERT_EQ(GetMessage(message, kPatience), Got::Message);
        ASSERT_EQ(message.m_lParam, next[message.m_wParam]++) << "sender " << message.m_wParam;
    }
    for (auto& sender : senders) {
        sender.join();
    }
    EXPECT_EQ(GetMessage(message, std::chrono::milliseconds(10)), Got::TimedOut);
}

}  // namespace
}  // namespace quill::test
