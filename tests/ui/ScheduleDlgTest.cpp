// The schedule dialog shows each schedule in its fields and gives back the same schedule.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <filesystem>

#include "Mnemonics.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "support/TestEnv.h"
#include "ui/ScheduleDlg.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"

namespace {

namespace fs = std::filesystem;
using tv::ScheduleKind;

tv::CScheduleJob Job(ScheduleKind kind, int hour, int minute) {
    tv::CScheduleJob job;
    job.m_strName = "Synch12.job";
    job.m_strCommand = "'/usr/bin/mirrant' --scheduled '/f:/l.tsl' '12'";
    job.m_form.m_kind = kind;
    job.m_form.m_nHour = hour;
    job.m_form.m_nMinute = minute;
    return job;
}

std::string Timing(const tv::CScheduleForm& form) {
    const tv::CScheduleTiming timing = tv::WriteScheduleForm(form);
    return std::to_string(static_cast<int>(form.m_kind)) + " " + timing.m_strTiming + " " +
           std::to_string(timing.m_nOnlyYear);
}

TEST(ScheduleWindow, ShowsEveryScheduleAndGivesItBackUnchanged) {
    tvtest::CIsolatedHome home;
    tv::AddMainWindowStrings();
    std::vector<tv::CScheduleJob> jobs;
    tv::CScheduleJob once = Job(ScheduleKind::Once, 23, 59);
    once.m_form.m_nYear = 2028;
    once.m_form.m_nMonth = 2;
    once.m_form.m_nDay = 29;
    jobs.push_back(once);
    for (const auto& [kind, every] :
         {std::pair{ScheduleKind::EveryMinutes, 45}, std::pair{ScheduleKind::EveryHours, 23}}) {
        tv::CScheduleJob job = Job(kind, 0, kind == ScheduleKind::EveryHours ? 17 : 0);
        job.m_form.m_nEvery = every;
        jobs.push_back(job);
    }
    jobs.push_back(Job(ScheduleKind::Daily, 6, 5));
    for (const unsigned days : {0x01u, 0x41u, 0x3eu}) {
        tv::CScheduleJob weekly = Job(ScheduleKind::Weekly, 20, 0);
        weekly.m_form.m_nDays = days;
        jobs.push_back(weekly);
    }
    tv::CScheduleJob monthly = Job(ScheduleKind::Monthly, 1, 30);
    monthly.m_form.m_nDay = 31;
    jobs.push_back(monthly);
    jobs.push_back(Job(ScheduleKind::AtStartup, 0, 0));
    tv::CScheduleJob other = Job(ScheduleKind::Other, 0, 0);
    other.m_form.m_strText = "0 3 * * 1-5";
    other.m_form.m_nYear = 0;
    jobs.push_back(other);
    for (const tv::CScheduleJob& job : jobs) {
        SCOPED_TRACE(Timing(job.m_form));
        tv::CScheduleDlg dialog(job);
        EXPECT_EQ(Timing(dialog.Form()), Timing(job.m_form));
        EXPECT_TRUE(dialog.findChild<QPushButton*>("removeSchedule") == nullptr);
    }
    // A weekly schedule needs a day; Other is offered only for a schedule set elsewhere.
    tv::CScheduleJob none = Job(ScheduleKind::Weekly, 8, 0);
    none.m_bExists = true;
    tv::CScheduleDlg dialog(none);
    auto* ok = dialog.findChild<QPushButton*>("okButton");
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_NE(dialog.findChild<QPushButton*>("removeSchedule"), nullptr);
    EXPECT_EQ(dialog.findChild<QComboBox*>("kind")->findData(static_cast<int>(ScheduleKind::Other)),
              -1);
}

TEST(ScheduleWindow, EachFieldHasItsOwnKeyInEachLanguage) {
    tvtest::CIsolatedHome home;
    tv::AddMainWindowStrings();
    for (const char* language : {"English", "German"}) {
        SCOPED_TRACE(language);
        const fs::path part = fs::path(TWINVALE_SOURCE_DIR) / "lang" / language / "main.lang";
        ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), part.string()));
        tv::CScheduleJob job = Job(ScheduleKind::Other, 0, 0);
        job.m_form.m_strText = "@daily";
        job.m_bExists = true;
        tv::CScheduleDlg dialog(job);
        tvtest::ExpectDistinctMnemonics(dialog, 6);
    }
    tv::ResetLanguage();
}

}  // namespace
