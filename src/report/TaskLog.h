#pragma once

#include <string>

#include "base/FileTime.h"
#include "report/TaskLogContent.h"

namespace tv {

class CElement;
class IFileSystem;

// Where a task's log goes unless the task names a place of its own:
// ProgramDataFolder() + "/logs/<id>.txt".
std::string DefaultLogPath(int taskId);

// The log path a task asks for, before any fall-back: its HTML file, else its alternate folder
// + "/<id>.txt", else the default path.
std::string LogPathOf(const CElement& task);

// The log file of one run. The runner opens it at the start, which settles where the log goes
// and when the previous run was, and writes it out once at the end, whatever way the run ends.
// Nothing is written in between, and the write-out replaces the file in one step, so a run
// that dies leaves the previous log as it was and a finished one leaves a complete log.
// One object per run, used by the run's worker thread only.
class CTaskLog {
  public:
    // The log goes to `fs`.
    explicit CTaskLog(IFileSystem& fs);

    // Worker thread; blocks on disk I/O; not cancellable. Chooses the log path, takes the
    // previous run's time from it, and makes sure a file can be written there. A path other
    // than the HTML file falls back: when access is refused, to DocumentsFolder() + "/logs/"
    // (made when missing); otherwise after making ProgramDataFolder() + "/logs". False when
    // no place works: the run then ends with "Error occurred while creating the log file", and
    // Error() says why.
    bool Open(const CElement& task);

    // Worker thread; blocks on disk I/O; not cancellable. Called once at every ending of the
    // run (normal, error or cancel, with the matching end text): puts the full report of what
    // was done into the file, before the old reports when appending. False when the log was
    // not opened or cannot be written (Error() says why; the old file is then unchanged). The
    // log is closed afterwards either way. The report streams into the new file, so a run of any
    // size costs little memory here.
    bool WriteOut(const CElement& task, const CRunTexts& texts);

    bool IsOpen() const { return m_bOpen; }
    // The file the log goes to, after any fall-back.
    const std::string& Path() const { return m_strPath; }
    // The last-write time (whole seconds) the log file had before this run, 0 when there was
    // none: "the time of the previous run".
    FileTime PreviousRunTime() const { return m_previousRun; }
    const std::string& Error() const { return m_strError; }

  private:
    int Probe(const std::string& path);
    int FallBack(std::string& path, int error);
    FileTime LastWriteTime(const std::string& path);
    bool ReadOld(std::string& old);

    IFileSystem& m_fs;
    CLogFormat m_format;
    std::string m_strPath;
    std::string m_strError;
    FileTime m_previousRun = 0;
    bool m_bOpen = false;
};

}  // namespace tv
