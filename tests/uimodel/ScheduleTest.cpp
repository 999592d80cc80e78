#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "MainTestSupport.h"
#include "platform/CronJobs.h"
#include "platform/Crontab.h"
#include "platform/Process.h"
#include "uimodel/ScheduleForm.h"
#include "uimodel/ScheduleStrings.h"

namespace tvtest {

namespace {

using tv::CScheduleForm;
using tv::ScheduleKind;

CScheduleForm Form(ScheduleKind kind, int hour = 0, int minute = 0) {
    CScheduleForm form;
    form.m_kind = kind;
    form.m_nHour = hour;
    form.m_nMinute = minute;
    return form;
}

std::vector<CScheduleForm> EveryKindOfForm() {
    std::vector<CScheduleForm> forms;
    CScheduleForm once = Form(ScheduleKind::Once, 23, 59);
    once.m_nYear = 2028;
    once.m_nMonth = 2;
    once.m_nDay = 29;
    forms.push_back(once);
    for (const int every : {1, 7, 59}) {
        CScheduleForm minutes = Form(ScheduleKind::EveryMinutes);
        minutes.m_nEvery = every;
        forms.push_back(minutes);
    }
    for (const int every : {1, 6, 23}) {
        CScheduleForm hours = Form(ScheduleKind::EveryHours, 0, 45);
        hours.m_nEvery = every;
        forms.push_back(hours);
    }
    forms.push_back(Form(ScheduleKind::Daily, 0, 0));
    forms.push_back(Form(ScheduleKind::Daily, 23, 5));
    for (const unsigned days : {0x01u, 0x22u, 0x7fu}) {
        CScheduleForm weekly = Form(ScheduleKind::Weekly, 8, 30);
        weekly.m_nDays = days;
        forms.push_back(weekly);
    }
    for (const int day : {1, 31}) {
        CScheduleForm monthly = Form(ScheduleKind::Monthly, 12, 0);
        monthly.m_nDay = day;
        forms.push_back(monthly);
    }
    forms.push_back(Form(ScheduleKind::AtStartup));
    return forms;
}

// What a form means: its kind and the timing it writes.
std::string Meaning(const CScheduleForm& form) {
    const tv::CScheduleTiming timing = tv::WriteScheduleForm(form);
    return std::to_string(static_cast<int>(form.m_kind)) + "|" + timing.m_strTiming + "|" +
           std::to_string(timing.m_nOnlyYear);
}

// Every form the dialog writes goes into a crontab line and comes back as the same form; a
// timing it did not write (set by hand) comes back as text and is written back unchanged.
TEST(ScheduleForm, EveryFormReadsBackAsItselfAndOtherTimingsAreKept) {
    CTempDir dir;
    auto crontab = tv::OpenCrontabFile((dir / "crontab").string());
    tv::CCronJobs jobs(*crontab);
    for (const CScheduleForm& form : EveryKindOfForm()) {
        SCOPED_TRACE(Meaning(form));
        ASSERT_TRUE(tv::IsValidScheduleForm(form));
        const tv::CScheduleTiming timing = tv::WriteScheduleForm(form);
        ASSERT_EQ(jobs.Save({"Synch4.job", timing.m_strTiming, timing.m_nOnlyYear, "'m'"}),
                  tv::CronEdit::Done);
        std::optional<tv::CCronJob> job;
        ASSERT_EQ(jobs.Find("Synch4.job", job), tv::CronEdit::Done);
        ASSERT_TRUE(job);
        EXPECT_EQ(Meaning(tv::ReadScheduleForm({job->m_strTiming, job->m_nOnlyYear})),
                  Meaning(form));
    }
    for (const tv::CScheduleTiming& timing : std::vector<tv::CScheduleTiming>{{"0 3 * * 1-5"},
                                                                              {"05 3 * * *"},
                                                                              {"@daily"},
                                                                              {"*/7 2 * * *"},
                                                                              {"0 3 1 1 *"},
                                                                              {"0 3 * * *", 2030},
                                                                              {"0 */2 * * 0"},
                                                                              {"0 3 * * 1,1"},
                                                                              {"0 24 * * *"},
                                                                              {"@reboot", 2027}}) {
        SCOPED_TRACE(timing.m_strTiming);
        const CScheduleForm form = tv::ReadScheduleForm(timing);
        EXPECT_EQ(form.m_kind, ScheduleKind::Other);
        const tv::CScheduleTiming again = tv::WriteScheduleForm(form);
        EXPECT_EQ(again.m_strTiming, timing.m_strTiming);
        EXPECT_EQ(again.m_nOnlyYear, timing.m_nOnlyYear);
    }
    CScheduleForm noDay = Form(ScheduleKind::Weekly);
    EXPECT_FALSE(tv::IsValidScheduleForm(noDay));
    CScheduleForm badDate = Form(ScheduleKind::Once);
    badDate.m_nYear = 2027;
    badDate.m_nMonth = 2;
    badDate.m_nDay = 29;
    EXPECT_FALSE(tv::IsValidScheduleForm(badDate));
}

std::time_t Utc(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return timegm(&t);
}

// The preview's five start times, in a fixed time zone, from Wednesday 2026-12-09 18:47.
TEST(ScheduleForm, NextStartTimesFollowCronsRules) {
    const char* oldZone = std::getenv("TZ");
    const std::string keep = oldZone ? oldZone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t now = Utc(2026, 12, 9, 18, 47);
    using Times = std::vector<std::time_t>;
    const auto next = [now](const std::string& timing, int year = 0) {
        return tv::NextStartTimes({timing, year}, now, 5);
    };
    EXPECT_EQ(next("0 3 * * *")[0], Utc(2026, 12, 10, 3, 0));
    EXPECT_EQ(next("0 3 * * *")[4], Utc(2026, 12, 14, 3, 0));
    EXPECT_EQ(next("30 8 * * 1,5"),
              (Times{Utc(2026, 12, 11, 8, 30), Utc(2026, 12, 14, 8, 30), Utc(2026, 12, 18, 8, 30),
                     Utc(2026, 12, 21, 8, 30), Utc(2026, 12, 25, 8, 30)}));
    EXPECT_EQ(next("*/15 * * * *")[0], Utc(2026, 12, 9, 19, 0));
    EXPECT_EQ(next("10 */6 * * *"),
              (Times{Utc(2026, 12, 10, 0, 10), Utc(2026, 12, 10, 6, 10), Utc(2026, 12, 10, 12, 10),
                     Utc(2026, 12, 10, 18, 10), Utc(2026, 12, 11, 0, 10)}));
    // Months without a 31st are passed over.
    EXPECT_EQ(next("0 1 31 * *"),
              (Times{Utc(2026, 12, 31, 1, 0), Utc(2027, 1, 31, 1, 0), Utc(2027, 3, 31, 1, 0),
                     Utc(2027, 5, 31, 1, 0), Utc(2027, 7, 31, 1, 0)}));
    // A day of the month and a weekday together: either one starts the job.
    EXPECT_EQ(next("0 12 13 * 5"),
              (Times{Utc(2026, 12, 11, 12, 0), Utc(2026, 12, 13, 12, 0), Utc(2026, 12, 18, 12, 0),
                     Utc(2026, 12, 25, 12, 0), Utc(2027, 1, 1, 12, 0)}));
    EXPECT_EQ(next("0 0 29 2 *")[1], Utc(2032, 2, 29, 0, 0));
    EXPECT_EQ(next("0 12 28 2 *", 2027), (Times{Utc(2027, 2, 28, 12, 0)}));
    EXPECT_EQ(next("0 12 1 1 *", 2026), Times{});
    EXPECT_EQ(next("@reboot"), Times{});
    EXPECT_EQ(next("0 0 * jan *"), Times{});
    EXPECT_EQ(next("@weekly")[0], Utc(2026, 12, 13, 0, 0));
    if (oldZone) {
        setenv("TZ", keep.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

class MainSchedule : public CMainTest {
  protected:
    std::string Crontab() { return ReadFile(m_home.StateHome() / "crontab"); }
    bool Asked(int id) {
        const std::string full = tv::LoadString(id);
        const std::string text = full.substr(0, full.find('%'));
        return std::any_of(m_dialogs.m_asked.begin(), m_dialogs.m_asked.end(),
                           [&](const std::string& asked) { return asked.find(text) == 0; });
    }
};

// The Schedule command on a list never saved: the list is saved first, since its file is
// what the job runs; the warning is shown until ticked away; the job made is opened again with
// its schedule and command; several tasks share one job named by their ids in list order.
TEST_F(MainSchedule, MakesOpensAndRemovesTheJobsOfTheSavedList) {
    WriteFile(m_home.StateHome() / "crontab", "MAILTO=me\n");
    const int first = AddTask("a");
    const int second = AddTask("b");
    const std::string list = (m_home.Root() / "my 100% list.tsl").string();

    m_presenter->Editor().SelectSingle(first);
    m_dialogs.m_files.push_back(std::nullopt);  // the save is canceled: no job
    EXPECT_FALSE(m_presenter->BeginSchedule());
    m_dialogs.m_files.push_back(list);
    m_dialogs.m_dontShowAgain.push_back(true);
    auto job = m_presenter->BeginSchedule();
    ASSERT_TRUE(job);
    EXPECT_TRUE(fs::exists(list));
    // Saving under a new name gave the tasks new ids; the job names the saved ones.
    const int idA = TaskAt(first).m_nTaskId;
    const int idB = TaskAt(second).m_nTaskId;
    EXPECT_TRUE(Asked(tv::IDS_SCHED_WARNING));
    EXPECT_FALSE(job->m_bExists);
    EXPECT_EQ(job->m_strName, "Synch" + std::to_string(idA) + ".job");
    EXPECT_EQ(job->m_strCommand,
              *tv::SchedulerJobCommand(tv::OwnExecutable(), list, std::to_string(idA)));
    job->m_form = Form(ScheduleKind::Weekly, 7, 15);
    job->m_form.m_nDays = 0x3e;
    ASSERT_TRUE(m_presenter->SaveSchedule(*job));

    // Changed since: saved again without a question, and no warning any more.
    m_dialogs.m_asked.clear();
    m_presenter->Editor().SetNameText("renamed");
    auto again = m_presenter->BeginSchedule();
    ASSERT_TRUE(again);
    EXPECT_TRUE(m_dialogs.m_asked.empty());
    EXPECT_FALSE(m_presenter->List().Changed());
    EXPECT_TRUE(again->m_bExists);
    EXPECT_EQ(again->m_strCommand, job->m_strCommand);
    EXPECT_EQ(Meaning(again->m_form), Meaning(job->m_form));

    m_presenter->Editor().SelectRows({second, first}, second);
    auto both = m_presenter->BeginSchedule();
    ASSERT_TRUE(both);
    EXPECT_EQ(both->m_strName, "Synch " + std::to_string(idA) + " " + std::to_string(idB) + ".job");
    ASSERT_TRUE(m_presenter->SaveSchedule(*both));

    // Deleting a task takes its own job along, not the job it shares.
    m_presenter->SetPreferences(m_presenter->Preferences() & ~tv::pref::kConfirmDelete);
    m_presenter->Editor().SelectSingle(first);
    m_presenter->DeleteTasks();
    const std::string table = Crontab();
    EXPECT_EQ(table.rfind("MAILTO=me\n", 0), 0u) << table;
    EXPECT_EQ(table.find(job->m_strName), std::string::npos) << table;
    EXPECT_NE(table.find(both->m_strName), std::string::npos) << table;
    ASSERT_TRUE(m_presenter->RemoveSchedule(*both));
    EXPECT_EQ(Crontab(), "MAILTO=me\n");
}

// A crontab that cannot be read is said so, and no job is opened over it.
TEST_F(MainSchedule, AnUnreadableCrontabOpensNoJob) {
    fs::create_directories(m_home.StateHome() / "crontab");
    m_presenter->Editor().SelectSingle(AddTask("a"));
    m_dialogs.m_files.push_back((m_home.Root() / "l.tsl").string());
    EXPECT_FALSE(m_presenter->BeginSchedule());
    EXPECT_TRUE(Asked(tv::IDS_SCHED_READ_FAILED));
}

}  // namespace

}  // namespace tvtest
