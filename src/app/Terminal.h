#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/Console.h"
#include "run/Preview.h"
#include "task/TaskObserver.h"

namespace tv {

class CElement;

// The terminal that the runs of one command line share: every line is written whole under
// one lock, so that the lines of simultaneous runs never mix, and a progress bar is redrawn
// in place only on a real terminal.
class CTerminal {
  public:
    CTerminal(std::ostream& err, bool interactiveOutput, bool interactiveInput)
        : m_err(err), m_bTty(interactiveOutput), m_bAsk(interactiveOutput && interactiveInput) {}

    // Any thread.
    void Line(const std::string& text);
    void Bar(const std::string& label, int percent);
    // Asks `question` and reads one answer line; empty when input has ended. Blocks.
    std::string Ask(const std::string& question);
    // The same, without showing what is typed; nothing when input has ended. Blocks.
    std::optional<std::string> AskSecret(const std::string& question);

    bool IsInteractive() const { return m_bTty; }
    bool CanAsk() const { return m_bAsk; }

  private:
    void ClearBar();

    std::ostream& m_err;
    bool m_bTty;
    bool m_bAsk;
    bool m_bBarShown = false;
    std::mutex m_mutex;
};

// The progress of one run on the terminal: phase lines, errors and details, and a progress
// bar of the copy on a terminal. A silent run shows its errors only.
class CTerminalObserver : public ITaskObserver {
  public:
    CTerminalObserver(CTerminal& terminal, int taskId, bool silent)
        : m_terminal(terminal),
          m_strPrefix("Task " + std::to_string(taskId) + ": "),
          m_bSilent(silent) {}

    void Status(int stringId) override;
    void CopyProgress(int percent) override;
    void BurnProgress(int percent, int kiloBytesPerSecond) override;
    void AddError(const std::string& line) override;
    void AddDetail(const std::string& line) override;

  private:
    CTerminal& m_terminal;
    std::string m_strPrefix;
    bool m_bSilent;
    int m_nBurnStep = -1;  // the tenth of the burn last told
};

// The questions of the runs, asked on the terminal. Only given to runs when someone can
// answer; without it the runner answers Ignore or No itself and logs that nobody was asked.
class CTerminalPrompter : public ITaskPrompter {
  public:
    explicit CTerminalPrompter(CTerminal& terminal) : m_terminal(terminal) {}
    PromptAnswer AbortRetryIgnore(const std::string& message) override;
    PromptAnswer YesNo(const std::string& message) override;
    std::optional<std::string> FtpPassword(const std::string& site) override;

  private:
    CTerminal& m_terminal;
};

// The preview on the terminal: the four lists of planned actions and "Proceed?". With nobody
// to answer the preview counts as refused, and the run is canceled.
class CTerminalPreview : public IPreviewHandler {
  public:
    explicit CTerminalPreview(CTerminal& terminal) : m_terminal(terminal) {}
    bool ShowPreview(CElement& task, CTreeF& merged, const CPlanBytes& bytes,
                     const CPreviewRequest& request) override;

  private:
    CTerminal& m_terminal;
};

// The lines shown for a task once its run has ended: the counts of copied and deleted files
// and the errors, as the progress window shows them. Only after the run's threads are done.
std::string TaskSummary(const CElement& task);

}  // namespace tv
