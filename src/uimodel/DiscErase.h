#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace tv {

class CElement;
class IDiscRecorder;

enum class EraseDepth { Quick, Full };

// "Erase now" and "Full erase now" of the CD-R/RW page, off the GUI thread: erases the medium
// in the recorder that the task's first disc target names. The GUI polls Finished() and then
// reads Error(). The destructor waits for the worker: an erase cannot be stopped halfway.
class CDiscEraseJob {
  public:
    // A started job; none when no target of `task` names a recorder. `recorders`: none, the
    // system's. GUI thread; never blocks.
    static std::unique_ptr<CDiscEraseJob> Start(const CElement& task, EraseDepth depth,
                                                IDiscRecorder* recorders = nullptr);
    ~CDiscEraseJob();
    CDiscEraseJob(const CDiscEraseJob&) = delete;
    CDiscEraseJob& operator=(const CDiscEraseJob&) = delete;

    bool Finished() const { return m_bFinished.load(); }
    // Once Finished(): empty after an erase, else why there was none.
    const std::string& Error() const { return m_strError; }

  private:
    CDiscEraseJob() = default;

    std::atomic<bool> m_bFinished{false};
    std::string m_strError;  // written by the worker before it sets m_bFinished
    std::thread m_worker;
};

}  // namespace tv
