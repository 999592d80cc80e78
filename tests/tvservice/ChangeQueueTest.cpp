#include <gtest/gtest.h>

#include <thread>

#include "live/ChangeQueue.h"

namespace {

using namespace std::chrono_literals;

// Repeated changes of a path cost one visit, at the time of its last event; a rename carries
// what waits below its old name, and what the worker has in hand, over to the new name.
TEST(ChangeQueue, CoalescesPathsAndCarriesThemThroughRenames) {
    tv::CChangeQueue queue;
    const auto now = tv::LiveClock::now();
    queue.MarkDirty("a/x", now);
    queue.MarkDirty("a/x", now);
    queue.MarkDirty("c", now + 1h);  // still being written
    tv::CChangeBatch batch;
    ASSERT_TRUE(queue.Take(batch));
    EXPECT_EQ(batch.m_paths, std::vector<std::string>{"a/x"});

    // The worker holds "a/x" when its folder moves: the new place must be visited too.
    queue.MarkDirty("a/y", now);
    queue.AddRename({"a", "b", true});
    queue.Done();
    ASSERT_TRUE(queue.Take(batch));
    ASSERT_EQ(batch.m_renames.size(), 1u);
    EXPECT_EQ(batch.m_renames[0].m_to, "b");
    EXPECT_EQ(batch.m_paths, (std::vector<std::string>{"b/x", "b/y"}));
    queue.Done();

    // A lost event makes everything queued so far moot.
    queue.RequestResync();
    ASSERT_TRUE(queue.Take(batch));
    EXPECT_TRUE(batch.m_bResync);
    EXPECT_TRUE(batch.m_paths.empty());
    queue.Done();

    // A change that comes while its path is being carried out brings the path back.
    queue.MarkDirty("w", now);
    ASSERT_TRUE(queue.Take(batch));
    queue.MarkDirty("w", now);
    queue.Done();
    ASSERT_TRUE(queue.Take(batch));
    EXPECT_EQ(batch.m_paths, std::vector<std::string>{"w"});
    queue.Done();

    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        queue.Stop();
    });
    EXPECT_FALSE(queue.Take(batch));
    stopper.join();
}

// A file that is written without end is still copied after the longest wait.
TEST(ChangeQueue, APathKeptBusyBecomesDueAfterTheLongestWait) {
    tv::CChangeQueue queue;
    const auto first = tv::LiveClock::now();
    queue.MarkDirty("busy", first);
    queue.MarkDirty("busy", first + 1h);
    tv::CChangeBatch batch;
    ASSERT_TRUE(queue.Take(batch));
    EXPECT_EQ(batch.m_paths, std::vector<std::string>{"busy"});
    EXPECT_GE(tv::LiveClock::now() - first, tv::CChangeQueue::kLongestWait);
}

}  // namespace
