// A task's run state: only one run holds a task at a time, and each run begins afresh whatever
// the last one left behind.
#include <gtest/gtest.h>

#include "task/TaskRunState.h"

namespace {

using tv::CTaskInfor;
using tv::RunEnd;
using tv::RunKind;
using tv::Side;

constexpr uint32_t kStopPrefs = static_cast<uint32_t>(tv::ErrorPolicy::Stop);

TEST(TaskRunState, OneRunAtATimeEachBegunAfresh) {
    tv::CTaskRunState run;
    ASSERT_TRUE(run.Begin(RunKind::Replace, kStopPrefs, 2));
    EXPECT_FALSE(run.Begin(RunKind::Synchronize, tv::pref::kDefault, 1));
    EXPECT_EQ(run.Kind(), RunKind::Replace) << "a refused begin changes nothing";
    EXPECT_EQ(run.Policy(), tv::ErrorPolicy::Stop);

    run.RecordError("first target");
    run.SetInvestigationFailed();
    run.SelectTarget(1);
    EXPECT_FALSE(run.InvestigationFailed()) << "each target investigates afresh";
    run.Record(CTaskInfor::CopiedFromSource, "second target");
    EXPECT_EQ(run.CurrentCount(CTaskInfor::Errors), 0u);
    run.SelectTarget(2);
    run.RecordError("past the last target: nowhere to go");
    run.AddChanges({1, 2, 3, 4});
    run.AddChanges({1, 0, 0, 0});
    run.SetDisplayPath(Side::Target, "/t/x");
    run.SetPaused(true);
    run.RequestCancel();
    run.End(RunEnd::Error);
    run.RecordError("after the end: nowhere to go");

    EXPECT_FALSE(run.IsRunning());
    EXPECT_EQ(run.Ending(), RunEnd::Error);
    ASSERT_EQ(run.Records().size(), 2u);
    EXPECT_EQ(run.Records()[0]->Count(CTaskInfor::Errors), 1u);
    EXPECT_EQ(run.Records()[1]->Count(CTaskInfor::CopiedFromSource), 1u);
    EXPECT_EQ(run.Count(CTaskInfor::Errors), 1u);
    EXPECT_EQ(run.Changes().m_nCopiedFromSource, 2u);
    EXPECT_EQ(run.Changes().m_nDeletedInTarget, 4u);

    ASSERT_TRUE(run.Begin(RunKind::UpdateTarget, tv::pref::kDefault, 1));
    EXPECT_EQ(run.Ending(), RunEnd::None);
    EXPECT_EQ(run.Kind(), RunKind::UpdateTarget);
    EXPECT_EQ(run.Policy(), tv::ErrorPolicy::Ask);
    EXPECT_FALSE(run.CancelRequested());
    EXPECT_FALSE(run.IsPaused());
    EXPECT_EQ(run.Count(CTaskInfor::Errors), 0u);
    EXPECT_EQ(run.Changes().m_nCopiedFromSource, 0u);
    EXPECT_EQ(run.DisplayPath(Side::Target), "");
    run.RecordError("before any target is selected");
    EXPECT_EQ(run.CurrentCount(CTaskInfor::Errors), 1u) << "the first target's record is current";
}

}  // namespace
