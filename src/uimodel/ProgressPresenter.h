#pragma once

#include <functional>
#include <string>
#include <vector>

#include "task/Side.h"
#include "task/TaskObserver.h"

namespace tv {

class CElement;
class IRunBoard;

// A rectangle of the desktop in pixels; right and bottom lie outside it.
struct CScreenRect {
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
};

struct CScreenPoint {
    int m_nX = 0;
    int m_nY = 0;
};

// "Task: <name> (<id>)": how the progress window, the preview and the questions of a run name
// the task they belong to.
std::string TaskCaption(const CElement& task);

// Where progress window number `sequence` opens within the work area: ten places stepping
// down and right over the middle of the screen, then the same ten again.
CScreenPoint ProgressWindowPlace(const CScreenRect& workArea, int sequence);

// A path too wide for its field, shortened in the middle: its head (three characters, five for
// "/"-separated paths), "...", and the longest tail from a separator on that fits; the last
// name when nothing fits. `fits` measures a text against the field. Characters are whole UTF-8
// sequences.
std::string ShortenPathMiddle(const std::string& path,
                              const std::function<bool(const std::string&)>& fits);

// Parts of the progress window that changed, for IProgressListener.
namespace progress_part {
inline constexpr unsigned kPaths = 0x1;
inline constexpr unsigned kPhase = 0x2;
inline constexpr unsigned kBar = 0x4;
inline constexpr unsigned kButtons = 0x8;
inline constexpr unsigned kDetails = 0x10;  // lines were appended to the details list
inline constexpr unsigned kErrors = 0x20;   // lines were appended to the errors list
inline constexpr unsigned kExpanded = 0x40;
inline constexpr unsigned kTab = 0x80;
inline constexpr unsigned kShutdown = 0x100;
inline constexpr unsigned kClose = 0x200;  // the window is to be destroyed
}  // namespace progress_part

// The widget of a progress window: it reads what changed back from the presenter.
class IProgressListener {
  public:
    virtual ~IProgressListener() = default;
    virtual void ProgressChanged(unsigned parts) = 0;
};

// The state and commands of one run's progress window. The run's reports (status, progress,
// lines, the end) and the user's commands arrive here; the widget only shows what the
// presenter holds. GUI thread only. Until the run has ended the presenter reads and writes
// the task's run state; after it, it touches the task no more, so the window may outlive the
// run and the task.
class CProgressPresenter {
  public:
    using SoundPlayer = std::function<void(const std::string& path)>;

    // `playSound`: how the end sound is played (none: the desktop's sound player).
    CProgressPresenter(CElement& task, IRunBoard& board, int sequence, SoundPlayer playSound = {});

    void SetListener(IProgressListener* listener) { m_pListener = listener; }
    // Whether a text fits the path field of a side; none: every text fits.
    void SetFitCheck(std::function<bool(Side, const std::string&)> fits);

    // The run's reports, the events of its observer.
    void OnStatus(int stringId);
    void OnInvestigating(Side side);
    void OnCopyProgress(int percent);
    // A disc burn: the bar follows it and the phase line tells the speed.
    void OnBurnProgress(int percent, int kiloBytesPerSecond);
    void OnError(const std::string& line);
    void OnDetail(const std::string& line);
    void OnTaskEnd(RunEnd end);

    // The user's commands. Cancel also stands for Enter, Escape and closing the window.
    void TogglePause();
    void Cancel();
    void ToggleDetails();
    void SelectTab(int tab);
    void SetShutdown(bool checked);
    // Another window changed the pending shutdown.
    void RefreshShutdown();

    int Sequence() const { return m_nSequence; }
    const std::string& Caption() const { return m_strCaption; }
    const std::string& SourceText() const { return m_strSourceShown; }
    const std::string& TargetText() const { return m_strTargetShown; }
    const std::string& Phase() const { return m_strPhase; }
    int BarPosition() const { return m_nBar; }
    bool ShutdownChecked() const { return m_bShutdown; }
    std::string PauseLabel() const;
    bool PauseEnabled() const { return !m_bFinished; }
    std::string CancelLabel() const;
    std::string DetailsLabel() const;
    bool Expanded() const { return m_bExpanded; }
    int Tab() const { return m_nTab; }  // 0 details, 1 errors
    const std::vector<std::string>& Details() const { return m_Details; }
    const std::vector<std::string>& Errors() const { return m_Errors; }
    bool Finished() const { return m_bFinished; }
    bool Closed() const { return m_bClosed; }

  private:
    // The parts that a report of the run's progress changes besides the bar.
    unsigned MovedOn();
    void RefreshPaths(unsigned& parts);
    std::string Shown(Side side, const std::string& path) const;
    bool CloseAtOnce() const;
    void ShowSummary();
    void PlayEndSound() const;
    void Close();
    void Notify(unsigned parts);

    CElement& m_task;
    IRunBoard& m_board;
    const int m_nSequence;
    SoundPlayer m_playSound;
    IProgressListener* m_pListener = nullptr;
    std::function<bool(Side, const std::string&)> m_fits;

    std::string m_strCaption;
    std::string m_strSourceShown;
    std::string m_strTargetShown;
    std::string m_strPhase;
    std::vector<std::string> m_Details;
    std::vector<std::string> m_Errors;
    int m_nBar = 0;
    int m_nLastPercent = 0;
    int m_nTab = 0;
    bool m_bExpanded = false;
    bool m_bShutdown = false;
    bool m_bPaused = false;
    bool m_bEnded = false;     // the run's end has arrived
    bool m_bFinished = false;  // ended, and the window stays with the summary
    bool m_bClosed = false;
};

}  // namespace tv
