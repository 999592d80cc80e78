#include <algorithm>
#include <ctime>

#include "app/MirrantApp.h"
#include "base/PrintfFormat.h"
#include "base/StringTable.h"
#include "platform/CronJobs.h"
#include "platform/Crontab.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/ScheduleStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

constexpr char kSchedFlag[] = "SchedFlag";

// A new job starts tomorrow at this hour, when the user is least likely to be at work.
constexpr int kNewJobHour = 3;

CScheduleForm NewJobForm() {
    CScheduleForm form;
    form.m_kind = ScheduleKind::Daily;
    form.m_nHour = kNewJobHour;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    form.m_nYear = local.tm_year + 1900;
    form.m_nMonth = local.tm_mon + 1;
    form.m_nDay = local.tm_mday;
    form.m_nDays = 1u << local.tm_wday;
    return form;
}

std::string ReasonOf(const CCronJobs& jobs) {
    return jobs.Error().empty() ? std::string("?") : jobs.Error();
}

}  // namespace

// One task: its own id names the job. Several: the ids of every selected row in list order
// (each with a blank before it), and the last selected row's task stands for them.
std::string CMainPresenter::ScheduleTaskPart(int& row) const {
    std::vector<int> rows = m_editor.Selection();
    std::sort(rows.begin(), rows.end());
    row = m_editor.Selection().back();
    if (rows.size() == 1) {
        return std::to_string(m_doc.Task(row).m_nTaskId);
    }
    std::string part;
    for (const int each : rows) {
        part += " " + std::to_string(m_doc.Task(each).m_nTaskId);
    }
    return part;
}

void CMainPresenter::ScheduleWarning() {
    CProfile& profile = m_app.Profile();
    if (profile.GetProfileInt(profkey::kSettings, kSchedFlag, 0) == 0 &&
        m_dialogs.MessageOnce(Text(IDS_SCHED_WARNING), Text(IDS_SCHED_WARNING_CAPTION),
                              Text(IDS_SCHED_DONT_SHOW))) {
        profile.WriteProfileInt(profkey::kSettings, kSchedFlag, 1);
    }
}

// The job runs the list file, not what the window shows: the list is saved first, and a list
// that has no file yet gets one or no job.
std::optional<CScheduleJob> CMainPresenter::BeginSchedule() {
    m_editor.ApplyEdits();
    if (m_editor.Selection().empty()) {
        return std::nullopt;
    }
    if ((m_doc.Path().empty() || m_doc.Changed()) && !Save()) {
        return std::nullopt;
    }
    int row = 0;
    const std::string taskPart = ScheduleTaskPart(row);
    const auto command = SchedulerJobCommand(OwnExecutable(), m_doc.Path(), taskPart);
    if (!command) {
        m_dialogs.Message(FormatText(Text(IDS_SCHED_BAD_PATH).c_str(), m_doc.Path().c_str()));
        return std::nullopt;
    }
    ScheduleWarning();
    CScheduleJob job;
    job.m_strName = SchedulerJobName(taskPart);
    auto crontab = OpenUserCrontab();
    CCronJobs jobs(*crontab);
    std::optional<CCronJob> found;
    if (jobs.Find(job.m_strName, found) != CronEdit::Done) {
        m_dialogs.Message(FormatText(Text(IDS_SCHED_READ_FAILED).c_str(), ReasonOf(jobs).c_str()));
        return std::nullopt;
    }
    job.m_bExists = found.has_value();
    job.m_strCommand = found ? found->m_strCommand : *command;
    job.m_form = found ? ReadScheduleForm({found->m_strTiming, found->m_nOnlyYear}) : NewJobForm();
    return job;
}

bool CMainPresenter::SaveSchedule(const CScheduleJob& job) {
    const CScheduleTiming timing = WriteScheduleForm(job.m_form);
    auto crontab = OpenUserCrontab();
    CCronJobs jobs(*crontab);
    if (jobs.Save({job.m_strName, timing.m_strTiming, timing.m_nOnlyYear, job.m_strCommand}) !=
        CronEdit::Done) {
        m_dialogs.Message(FormatText(Text(IDS_SCHED_SAVE_FAILED).c_str(), ReasonOf(jobs).c_str()));
        return false;
    }
    return true;
}

bool CMainPresenter::RemoveSchedule(const CScheduleJob& job) {
    auto crontab = OpenUserCrontab();
    CCronJobs jobs(*crontab);
    if (jobs.Remove(job.m_strName, job.m_strCommand) != CronEdit::Done) {
        m_dialogs.Message(FormatText(Text(IDS_SCHED_SAVE_FAILED).c_str(), ReasonOf(jobs).c_str()));
        return false;
    }
    return true;
}

// Only a job that runs this very list goes: the same id in another list file is another task.
void CMainPresenter::RemoveJobsOfDeleted(const std::vector<int>& ids) {
    if (m_doc.Path().empty()) {
        return;
    }
    const std::string listArgument = CronQuote("/f:" + m_doc.Path());
    std::unique_ptr<ICrontab> crontab;
    for (const int id : ids) {
        bool deleted = true;
        for (int row = 0; row < m_doc.RowCount(); ++row) {
            deleted = deleted && m_doc.Task(row).m_nTaskId != id;
        }
        if (!deleted) {
            continue;
        }
        if (!crontab) {
            crontab = OpenUserCrontab();
        }
        CCronJobs jobs(*crontab);
        if (jobs.Remove(SchedulerJobName(std::to_string(id)), listArgument) != CronEdit::Done) {
            m_dialogs.Message(
                FormatText(Text(IDS_SCHED_SAVE_FAILED).c_str(), ReasonOf(jobs).c_str()));
            return;
        }
    }
}

}  // namespace tv
