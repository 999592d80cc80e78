#include "run/TaskRunner.h"

#include <chrono>
#include <thread>

#include "base/StringTable.h"
#include "platform/DialUp.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "run/DiscTarget.h"
#include "run/RunNotices.h"
#include "run/RunTexts.h"
#include "run/TaskRun.h"
#include "scan/InvestigateJob.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr auto kDelaySlice = std::chrono::milliseconds(100);

std::vector<CTag> TargetsForRun(const std::vector<CTag>& targets) {
    std::vector<CTag> locations;
    locations.reserve(targets.size());
    for (const CTag& target : targets) {
        locations.push_back(target.ForRun());
    }
    return locations;
}

CKeepSettings KeepSettingsOf(const CRunEnvironment& env) {
    return env.m_pProfile ? LoadKeepSettings(*env.m_pProfile)
                          : LoadKeepSettings(CProfile(env.m_fs));
}

}  // namespace

int TaskThreadProc(CElement& task, const CRunEnvironment& env) {
    CTaskRun run(task, env);
    return run.Run();
}

CTaskRun::CTaskRun(CElement& task, const CRunEnvironment& env)
    : m_task(task),
      m_run(task.m_Run),
      m_env(env),
      m_log(env.m_fs),
      m_lastSync(env.m_fs, task.m_nTaskId),
      m_sides(task, env.m_fs, env.m_pFtpTimes, ProgramDataFolder() + "/Temp"),
      m_source(task.m_Source.ForRun()),
      m_targets(TargetsForRun(task.m_Targets)),
      m_keep(KeepSettingsOf(env)),
      m_strKeepRunName(VersionsRunName(CurrentTaskTime())) {}

int CTaskRun::Run() {
    if (!Dry()) {
        StartDelay();
    }
    if (!Dry() && !m_log.Open(m_task)) {
        // Nothing can be logged without a log, so this ends the run whatever the policy says.
        LogRunError(m_task, LoadString(IDS_LOG_CREATE_ERROR));
        m_strEndText = StampText(IDS_TASK_ENDED_WITH_ERROR);
        Finish(RunEnd::Error, IDS_LOG_CREATE_ERROR);
        return -1;
    }
    m_strStartText = StampText(IDS_TASK_STARTED);
    if (m_env.m_origin == RunOrigin::Scheduler) {
        m_strStartText += " " + LoadString(IDS_STARTED_BY_SCHEDULER);
    }
    RunBefore();
    DialUp();
    const TargetResult result = RunTargets();
    if (result == TargetResult::Ended) {
        return -1;
    }
    if (result == TargetResult::Canceled || Canceled()) {
        m_strEndText = StampText(IDS_TASK_CANCELED);
        EndTaskWithError(0, {}, PromptAnswer::Abort, true);
        return 0;
    }
    return EndRun();
}

// The delay gives way to a cancel at once; nothing has been logged or shown yet.
void CTaskRun::StartDelay() {
    if (!m_task.Has3(opt3::kStartDelay) || m_task.m_nStartDelay <= 0) {
        return;
    }
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(m_task.m_nStartDelay);
    while (std::chrono::steady_clock::now() < until && !IsTaskCanceled(m_task)) {
        std::this_thread::sleep_for(kDelaySlice);
    }
}

// A program that cannot be started is passed over. A dry run starts none: what a program does
// is beyond any plan.
void CTaskRun::RunBefore() {
    if (!m_task.m_bRunBefore || m_task.m_strRunBefore.empty()) {
        return;
    }
    if (Dry()) {
        DryNote(FormatText(LoadString(IDS_DRY_NOT_STARTED).c_str(), m_task.m_strRunBefore.c_str()));
        return;
    }
    RunCommandLine(m_task.m_strRunBefore, {}, ProgramWait::Wait);
}

// A failed dial does not stop the run: the targets may be reachable anyway.
void CTaskRun::DialUp() {
    if (!m_task.m_bDialUp) {
        return;
    }
    if (Dry()) {
        DryNote(FormatText(LoadString(IDS_DRY_NOT_STARTED).c_str(), m_task.m_strRasEntry.c_str()));
        return;
    }
    if (!IsDialUpPresent()) {
        LogRunError(m_task, FormatText(LoadString(IDS_NOT_FOUND).c_str(), kDialUpTool));
        return;
    }
    if (DialConnection(m_task.m_strRasEntry)) {
        m_strDialed = m_task.m_strRasEntry;
    }
}

int CTaskRun::EndRun() {
    if (!Dry()) {
        BurnDiscs();
    }
    if (m_task.m_bRunAfter && !m_task.m_strRunAfter.empty() && Dry()) {
        DryNote(FormatText(LoadString(IDS_DRY_NOT_STARTED).c_str(), m_task.m_strRunAfter.c_str()));
    } else if (m_task.m_bRunAfter && !m_task.m_strRunAfter.empty()) {
        RunCommandLine(m_task.m_strRunAfter, WorkingFolderOf(m_env.m_fs, m_task.m_strRunAfter),
                       ProgramWait::DontWait);
    }
    m_strEndText = StampText(IDS_TASK_ENDED);
    Finish(RunEnd::Normal, 0);
    return 0;
}

bool CTaskRun::EndTaskWithError(int messageId, const std::string& text, PromptAnswer lastAnswer,
                                bool canceled) {
    if (!text.empty()) {
        m_run.RecordError(text);
    }
    const ErrorPolicy policy = m_run.Policy();
    const bool goOn =
        !canceled && (policy == ErrorPolicy::Continue ||
                      (policy == ErrorPolicy::Ask && lastAnswer == PromptAnswer::Ignore));
    if (goOn) {
        return false;
    }
    if (!canceled) {
        if (!text.empty()) {
            ShowError(text);
        }
        m_strEndText = StampText(IDS_TASK_ENDED_WITH_ERROR);
    }
    Finish(canceled ? RunEnd::Canceled : RunEnd::Error,
           !canceled && policy == ErrorPolicy::Ask ? messageId : 0);
    return true;
}

// Every ending comes here: the log gets what was done, whatever way the run ended. A log that
// cannot be written is an error of the run, so that no start reports success without one.
void CTaskRun::Finish(RunEnd end, int messageId) {
    if (end != RunEnd::Canceled && !Dry()) {
        SendRunNotices(m_task, {m_strStartText, m_strEndText}, m_env);
    }
    if (m_log.IsOpen() && !m_log.WriteOut(m_task, {m_strStartText, m_strEndText})) {
        const std::string line =
            LoadString(IDS_CANT_CLOSE_LOG) + m_log.Path() + " " + m_log.Error();
        ShowError(line);
        m_run.RecordError(line);  // a target's record is current until the run's end
    }
    m_sides.Disconnect();
    if (!m_strDialed.empty() && m_task.m_bRasHangUp) {
        HangUpConnection(m_strDialed);
    }
    // Taken before the end: from then on the task may be launched again, with other receivers.
    ITaskObserver* observer = m_task.Has2(opt2::kSilent) ? nullptr : m_run.Observer();
    m_run.End(end);
    if (observer) {
        observer->TaskEnd(end);
    }
    if (m_env.m_onDone) {
        m_env.m_onDone(m_task, CTaskDone{end, messageId});
    }
}

void CTaskRun::Status(int stringId) const {
    if (ITaskObserver* observer = m_run.Observer(); observer && !m_task.Has2(opt2::kSilent)) {
        observer->Status(stringId);
    }
}

void CTaskRun::ShowError(const std::string& line) const {
    if (ITaskObserver* observer = m_run.Observer(); observer && !m_task.Has2(opt2::kSilent)) {
        observer->AddError(line);
    }
}

void CTaskRun::Detail(const std::string& line) const {
    if (ITaskObserver* observer = m_run.Observer(); observer && !m_task.Has2(opt2::kSilent)) {
        observer->AddDetail(line);
    }
}

bool CTaskRun::Canceled() const {
    return m_run.CancelRequested();
}

}  // namespace tv
