#include "uimodel/ProgressPresenter.h"

#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "task/Element.h"
#include "uimodel/RunViews.h"
#include "uimodel/RunWindowStrings.h"

namespace tv {

namespace {

constexpr int kPlaces = 10;
constexpr int kErrorsTab = 1;

const std::string kEllipsis = "...";

// The byte length of the first `count` characters of `text`.
size_t HeadBytes(const std::string& text, size_t count) {
    size_t end = 0;
    for (size_t chars = 0; end < text.size() && chars < count; ++chars) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return end;
}

}  // namespace

CScreenPoint ProgressWindowPlace(const CScreenRect& area, int sequence) {
    const int width = area.m_nRight - area.m_nLeft;
    const int height = area.m_nBottom - area.m_nTop;
    const int x0 = area.m_nLeft + width / 5;
    const int x1 = area.m_nLeft + width * 3 / 5;
    const int y0 = area.m_nTop + height / 5;
    const int y1 = area.m_nTop + height * 3 / 5;
    const int n = ((sequence % kPlaces) + kPlaces) % kPlaces;
    return {x0 + (x1 - x0) * n / kPlaces, y0 + (y1 - y0) * n / kPlaces};
}

std::string ShortenPathMiddle(const std::string& path,
                              const std::function<bool(const std::string&)>& fits) {
    if (!fits || fits(path)) {
        return path;
    }
    const bool backslashes = path.find('\\') != std::string::npos;
    const char separator = backslashes ? '\\' : '/';
    const std::string head = path.substr(0, HeadBytes(path, backslashes ? 3 : 5));
    std::string last;
    for (size_t at = path.find(separator, head.size()); at != std::string::npos;
         at = path.find(separator, at + 1)) {
        std::string candidate = head + kEllipsis + path.substr(at);
        if (candidate.size() >= path.size()) {
            continue;
        }
        if (fits(candidate)) {
            return candidate;
        }
        last = std::move(candidate);
    }
    return last.empty() ? path : last;
}

std::string TaskCaption(const CElement& task) {
    return FormatText(LoadString(IDS_RUNWIN_TASK_CAPTION).c_str(), task.m_strName.c_str(),
                      task.m_nTaskId);
}

CProgressPresenter::CProgressPresenter(CElement& task, IRunBoard& board, int sequence,
                                       SoundPlayer playSound)
    : m_task(task),
      m_board(board),
      m_nSequence(sequence),
      m_playSound(std::move(playSound)),
      m_strCaption(TaskCaption(task)),
      m_bShutdown(board.ShutdownPending()) {
    if (!m_playSound) {
        m_playSound = [](const std::string& path) { PlaySoundFile(path); };
    }
}

void CProgressPresenter::SetFitCheck(std::function<bool(Side, const std::string&)> fits) {
    m_fits = std::move(fits);
}

// Every status is shown: the observer only calls when the run has a new phase for the window.
void CProgressPresenter::OnStatus(int stringId) {
    if (m_bEnded) {
        return;
    }
    unsigned parts = 0;
    if (stringId != 0) {
        m_strPhase = LoadString(stringId);
        m_Details.push_back(m_strPhase);
        parts |= progress_part::kPhase | progress_part::kDetails;
        if (stringId == IDS_COPYING_FILES) {
            RefreshPaths(parts);
        }
    }
    if (m_nLastPercent > 0) {
        m_nBar = 100;
        parts |= progress_part::kBar;
    }
    Notify(parts);
}

// Both sides are investigated at once, so a folder of either side shows both paths.
void CProgressPresenter::OnInvestigating(Side /*side*/) {
    if (!m_bEnded) {
        Notify(MovedOn());
    }
}

void CProgressPresenter::OnCopyProgress(int percent) {
    if (m_bEnded) {
        return;
    }
    unsigned parts = MovedOn();
    if (percent != m_nLastPercent) {
        m_nBar = percent;
        m_nLastPercent = percent;
        parts |= progress_part::kBar;
    }
    Notify(parts);
}

void CProgressPresenter::OnBurnProgress(int percent, int kiloBytesPerSecond) {
    if (m_bEnded) {
        return;
    }
    m_strPhase =
        FormatText(LoadString(IDS_DISC_BURN_PROGRESS).c_str(), percent, kiloBytesPerSecond);
    m_nBar = percent;
    m_nLastPercent = percent;
    Notify(MovedOn() | progress_part::kPhase | progress_part::kBar);
}

// The shutdown box follows the other windows' on every report of progress.
unsigned CProgressPresenter::MovedOn() {
    unsigned parts = 0;
    if (m_board.ShutdownPending() != m_bShutdown) {
        m_bShutdown = !m_bShutdown;
        parts |= progress_part::kShutdown;
    }
    RefreshPaths(parts);
    return parts;
}

void CProgressPresenter::OnError(const std::string& line) {
    m_Errors.push_back(line);
    Notify(progress_part::kErrors);
}

void CProgressPresenter::OnDetail(const std::string& line) {
    m_Details.push_back(line);
    Notify(progress_part::kDetails);
}

void CProgressPresenter::OnTaskEnd(RunEnd /*end*/) {
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    if (CloseAtOnce()) {
        PlayEndSound();
        Close();
        return;
    }
    ShowSummary();
    PlayEndSound();
}

bool CProgressPresenter::CloseAtOnce() const {
    const bool closeIfOk = m_task.m_Run.Preferences() & pref::kCloseProgressIfOk;
    return (closeIfOk && m_Errors.empty()) || m_board.SeveralStarted() || m_board.ShutdownPending();
}

void CProgressPresenter::ShowSummary() {
    const CTaskRunState& run = m_task.m_Run;
    const CChangeCounts changes = run.Changes();
    m_bFinished = true;
    m_strPhase = LoadString(IDS_RUNWIN_FINISHED);
    m_Details.emplace_back(" ");
    m_nBar = 100;
    if (run.CancelRequested()) {
        m_Details.push_back(LoadString(IDS_TASK_CANCELED));
    } else {
        const std::string pair = LoadString(IDS_RUNWIN_COUNT_PAIR);
        m_Details.push_back(LoadString(IDS_RUNWIN_SUMMARY));
        m_Details.push_back(
            LoadString(IDS_RUNWIN_FILES_COPIED) +
            FormatText(pair.c_str(), changes.m_nCopiedFromSource, changes.m_nCopiedFromTarget));
        m_Details.push_back(
            LoadString(IDS_RUNWIN_FILES_DELETED) +
            FormatText(pair.c_str(), changes.m_nDeletedInSource, changes.m_nDeletedInTarget));
    }
    unsigned parts = progress_part::kPhase | progress_part::kButtons | progress_part::kDetails |
                     progress_part::kBar;
    if (!m_Errors.empty()) {
        m_nTab = kErrorsTab;
        parts |= progress_part::kTab;
    }
    if (!m_bExpanded) {
        m_bExpanded = true;
        parts |= progress_part::kExpanded;
    }
    Notify(parts);
}

// Several runs share one sound, which the main window plays after the last of them.
void CProgressPresenter::PlayEndSound() const {
    if (m_task.m_bFinishSound && !m_task.m_strFinishSound.empty() && !m_task.Has2(opt2::kSilent) &&
        !m_board.SeveralStarted()) {
        m_playSound(m_task.m_strFinishSound);
    }
}

void CProgressPresenter::TogglePause() {
    if (m_bEnded) {
        return;
    }
    m_bPaused = !m_task.m_Run.IsPaused();
    m_task.m_Run.SetPaused(m_bPaused);
    Notify(progress_part::kButtons);
}

// A paused worker would never see the stop, so the pause goes with it.
void CProgressPresenter::Cancel() {
    if (m_bEnded) {
        Close();
        return;
    }
    m_task.m_Run.RequestCancel();
    m_task.m_Run.SetPaused(false);
    m_bPaused = false;
    m_strPhase = LoadString(IDS_RUNWIN_FINISHING);
    Notify(progress_part::kPhase | progress_part::kButtons);
}

void CProgressPresenter::ToggleDetails() {
    m_bExpanded = !m_bExpanded;
    Notify(progress_part::kExpanded | progress_part::kButtons);
}

void CProgressPresenter::SelectTab(int tab) {
    if (tab == m_nTab || tab < 0 || tab > kErrorsTab) {
        return;
    }
    m_nTab = tab;
    Notify(progress_part::kTab);
}

void CProgressPresenter::SetShutdown(bool checked) {
    m_bShutdown = checked;
    m_board.SetShutdownPending(checked);
    Notify(progress_part::kShutdown);
}

void CProgressPresenter::RefreshShutdown() {
    if (m_board.ShutdownPending() != m_bShutdown) {
        m_bShutdown = !m_bShutdown;
        Notify(progress_part::kShutdown);
    }
}

std::string CProgressPresenter::PauseLabel() const {
    return LoadString(m_bPaused ? IDS_RUNWIN_RESUME : IDS_RUNWIN_PAUSE);
}

std::string CProgressPresenter::CancelLabel() const {
    return LoadString(m_bFinished ? IDS_RUNWIN_CLOSE : IDS_RUNWIN_CANCEL);
}

std::string CProgressPresenter::DetailsLabel() const {
    return LoadString(m_bExpanded ? IDS_RUNWIN_DETAILS_HIDE : IDS_RUNWIN_DETAILS_SHOW);
}

void CProgressPresenter::RefreshPaths(unsigned& parts) {
    std::string source = Shown(Side::Source, m_task.m_Run.DisplayPath(Side::Source));
    std::string target = Shown(Side::Target, m_task.m_Run.DisplayPath(Side::Target));
    if (source != m_strSourceShown || target != m_strTargetShown) {
        m_strSourceShown = std::move(source);
        m_strTargetShown = std::move(target);
        parts |= progress_part::kPaths;
    }
}

std::string CProgressPresenter::Shown(Side side, const std::string& path) const {
    if (!m_fits) {
        return path;
    }
    return ShortenPathMiddle(path, [&](const std::string& text) { return m_fits(side, text); });
}

void CProgressPresenter::Close() {
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    Notify(progress_part::kClose);
}

void CProgressPresenter::Notify(unsigned parts) {
    if (parts != 0 && m_pListener) {
        m_pListener->ProgressChanged(parts);
    }
}

}  // namespace tv
