#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/RemoteDriver.h"

namespace tv {

// One upload that leaves while its bytes are still being written: the driver's Upload runs on a
// thread of its own and takes the bytes from a small queue that Write fills. The driver writes a
// temporary remote name as ever; only Finish lets the bytes end, so the rename over the target
// waits until the caller decided the copy is good, and an upload that is cancelled or dropped
// unfinished removes its temporary name and leaves the target as it was.
//
// Threads: the one that writes calls Write, Finish and Cancel; the driver belongs to the upload's
// thread from construction until Finish or Cancel returned. The waits end at `cancelled`.
class CRemoteUploadStream {
  public:
    // Starts uploading to `path`. `cancelled` is asked while a call waits for the server.
    CRemoteUploadStream(IRemoteDriver& driver, std::string path, CUploadOptions options,
                        std::function<bool()> cancelled);
    // Cancels an upload that was not finished.
    ~CRemoteUploadStream();
    CRemoteUploadStream(const CRemoteUploadStream&) = delete;
    CRemoteUploadStream& operator=(const CRemoteUploadStream&) = delete;

    // Queues `bytes` as the next ones; blocks while the queue is full. The upload's error once it
    // failed, ECANCELED when the wait was cancelled.
    int Write(std::string_view bytes);
    // Ends the bytes and waits for the upload (with the driver's rename) to end: 0 or its error.
    // A cancel while waiting cancels the upload (ECANCELED).
    int Finish();
    // Makes an upload that has not ended fail, and waits for it.
    void Cancel();
    // Whether Cancel had to cancel the driver itself, which then answers every call with
    // ECANCELED.
    bool DriverCancelled() const { return m_bDriverCancelled; }

  private:
    void Run(std::string path, CUploadOptions options);
    int Take(void* buffer, size_t size, size_t& got);
    // Waits for the upload's end while it may take its time; false when cancelled first.
    bool WaitForEnd();

    IRemoteDriver& m_driver;
    std::function<bool()> m_cancelled;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_queue;  // under m_mutex, as are the fields below
    size_t m_queued = 0;
    size_t m_frontTaken = 0;  // bytes of the first queued piece already handed to the driver
    bool m_bEnd = false;      // no more bytes come
    bool m_bStop = false;     // the upload is to fail
    bool m_bDone = false;     // the driver's Upload returned
    bool m_bJoined = false;   // the writer's thread only, as is the field below
    bool m_bDriverCancelled = false;
    int m_result = 0;
    std::thread m_thread;
};

}  // namespace tv
