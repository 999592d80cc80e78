#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sync/FileOperations.h"
#include "sync/RunProgress.h"

namespace tv {

class CElement;

// Decides the message of a failure and how often it is tried again: a copy three times
// automatically before each question, the others are asked about at once.
enum class FileOpKind : uint8_t { Copy, Delete, CreateFolder, RemoveFolder, CopyAttributes };

struct CPolicyOutcome {
    bool m_bDone = false;  // the operation succeeded in the end
    bool m_bGoOn = true;   // false: the run stops (Abort answered, or the policy "Stop")
};

// The task's error policy over one operation of the pass: the retries, the Abort / Retry /
// Ignore question under "Ask to continue" (Ignore, logged, when nobody can answer), the logging
// of the final failure in the run record's errors and the progress window, and the bytes of an
// item that is passed over. Worker thread only.
class CErrorPolicy {
  public:
    explicit CErrorPolicy(CElement& task, CRunBytes* bytes = nullptr);

    // Runs `op` and handles its failure. `path` fills the message (for a copy, the source).
    // A changed file is logged "... changed during the run" (naming `checkedPath` when given:
    // the destination of a copy) and passed over without a question.
    // After Abort the run's policy becomes "Stop". Blocks for retries and questions; stops
    // retrying once the task is canceled (IsTaskCanceled), and then the pass goes on so that it
    // can notice the cancel itself.
    CPolicyOutcome Perform(FileOpKind kind, const std::string& path, uint64_t size,
                           const std::function<COpStatus()>& op,
                           const std::string& checkedPath = {});

    // A line for the run record's errors list and the progress window's error list.
    void LogError(const std::string& line);

    static std::string FailureMessage(FileOpKind kind, const std::string& path, int error);

  private:
    CElement& m_task;
    CRunBytes* m_pBytes;
};

}  // namespace tv
