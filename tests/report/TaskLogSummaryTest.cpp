#include "report/TaskLogSummary.h"

#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "support/InforLines.h"

using tv::CTaskInfor;

namespace {

class TaskLogSummary : public testing::Test {
  protected:
    void SetUp() override {
        tvtest::PrepareTask(m_task, 7, "/home/me/src");
        const auto records = tvtest::AddTargets(m_task, {"/mnt/a", "/mnt/b"});
        CTaskInfor& first = *records[0];
        first.AddError("Can't copy file: x.txt\n");
        first.Add(CTaskInfor::CopiedFromSource, "a.txt");
        first.Add(CTaskInfor::CopiedFromSource, "b.txt");
        first.Add(CTaskInfor::DeletedInTarget, "old.txt");
        first.Add(CTaskInfor::FoldersDeletedInSource, "gone");
        CTaskInfor& second = *records[1];
        second.Add(CTaskInfor::CopiedFromTarget, "c.txt");
        second.Add(CTaskInfor::DeletedInSource, "d.txt");
        second.Add(CTaskInfor::FoldersCreatedInTarget, "new");
    }

    std::string Build(tv::LogForm form, tv::SummaryForm summary) {
        tvtest::CLineCollector lines;
        tv::BuildSummary(m_task, tvtest::kTexts, lines, form, summary);
        return lines.Joined();
    }

    tv::CElement m_task;
};

TEST_F(TaskLogSummary, FullTextListsEverySectionAndTotals) {
    EXPECT_EQ(Build(tv::LogForm::Text, tv::SummaryForm::Full),
              "Task started: Monday, May 06, 2024, 10:00\r\n"
              "Source      /home/me/src\r\n"
              "Target      /mnt/a\r\n"
              "Errors:\r\n"
              "      Can't copy file: x.txt\r\n"
              "Files copied from source (2 files):\r\n"
              "      a.txt\r\n"
              "      b.txt\r\n"
              "Deleted in target (1 files):\r\n"
              "      old.txt\r\n"
              "Deleted dirs in source (1):\r\n"
              "      gone\r\n"
              "Target      /mnt/b\r\n"
              "Files copied from target (1 files):\r\n"
              "      c.txt\r\n"
              "Deleted in source (1 files):\r\n"
              "      d.txt\r\n"
              "Created dirs in target (1 dirs):\r\n"
              "      new\r\n"
              "Total files copied: 3\r\n"
              "Total files deleted: 2\r\n"
              "Task ended: Monday, May 06, 2024, 10:05\r\n\r\n\r\n");
}

TEST_F(TaskLogSummary, SummaryOnlyKeepsErrorsAndCopiedTotalButNeverDeletedTotal) {
    m_task.m_Source.m_strPath.clear();
    m_task.m_Source.m_strSiteName = "site";
    EXPECT_EQ(Build(tv::LogForm::Text, tv::SummaryForm::SummaryOnly),
              "Task started: Monday, May 06, 2024, 10:00\r\n"
              "Source      (FTP)site\r\n"
              "Target      /mnt/a\r\n"
              "Errors:\r\n"
              "      Can't copy file: x.txt\r\n"
              "Target      /mnt/b\r\n"
              "Total files copied: 3\r\n"
              "Task ended: Monday, May 06, 2024, 10:05\r\n\r\n\r\n");
}

TEST_F(TaskLogSummary, HtmlWrapsParagraphsAndEscapesNames) {
    tvtest::PrepareTask(m_task, 7, "/src/<b>");
    m_task.m_Targets.resize(1);
    tvtest::BeginRun(m_task.m_Run);
    m_task.m_Run.Record(CTaskInfor::CopiedFromSource, "a&b.txt");
    EXPECT_EQ(Build(tv::LogForm::Html, tv::SummaryForm::Full),
              "<p>\r\nTask started: Monday, May 06, 2024, 10:00\r\n</p>\r\n"
              "<p>\r\nSource      /src/&lt;b&gt;\r\n</p>\r\n"
              "<p>\r\nTarget      /mnt/a\r\n</p>\r\n"
              "<p>\r\nFiles copied from source (1 files):\r\n<br>\r\n      a&amp;b.txt\r\n</p>\r\n"
              "<p>\r\nTotal files copied: 1\r\n</p>\r\n"
              "<p>\r\nTask ended: Monday, May 06, 2024, 10:05\r\n\r\n\r\n");
}

}  // namespace
