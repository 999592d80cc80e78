#include "platform/RemoteUploadStream.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace tv {
namespace {

// Enough to keep the connection busy while the writer fetches its next piece, little enough
// that the writer's progress is the upload's.
constexpr size_t kQueueBytes = 8u << 20;
constexpr auto kWaitSlice = std::chrono::milliseconds(200);
// How long a stopped upload may take to notice before the driver itself is cancelled: a
// transfer that waits on the network asks for no bytes.
constexpr auto kStopGrace = std::chrono::seconds(1);

}  // namespace

CRemoteUploadStream::CRemoteUploadStream(IRemoteDriver& driver, std::string path,
                                         CUploadOptions options, std::function<bool()> cancelled)
    : m_driver(driver), m_cancelled(std::move(cancelled)) {
    m_thread = std::thread(&CRemoteUploadStream::Run, this, std::move(path), options);
}

CRemoteUploadStream::~CRemoteUploadStream() {
    if (!m_bJoined) {
        Cancel();
    }
}

void CRemoteUploadStream::Run(std::string path, CUploadOptions options) {
    bool timeSet = false;
    const int result = m_driver.Upload(
        path, [this](void* buffer, size_t size, size_t& got) { return Take(buffer, size, got); },
        options, timeSet);
    std::lock_guard lock(m_mutex);
    m_result = result;
    m_bDone = true;
    m_changed.notify_all();
}

int CRemoteUploadStream::Take(void* buffer, size_t size, size_t& got) {
    got = 0;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_bStop || m_bEnd || !m_queue.empty(); });
    if (m_bStop) {
        return ECANCELED;
    }
    if (m_queue.empty()) {
        return 0;
    }
    const std::string& front = m_queue.front();
    got = std::min(size, front.size() - m_frontTaken);
    std::memcpy(buffer, front.data() + m_frontTaken, got);
    m_frontTaken += got;
    m_queued -= got;
    if (m_frontTaken == front.size()) {
        m_queue.pop_front();
        m_frontTaken = 0;
    }
    m_changed.notify_all();
    return 0;
}

int CRemoteUploadStream::Write(std::string_view bytes) {
    std::unique_lock lock(m_mutex);
    const auto room = [this] { return m_bDone || m_bStop || m_queued < kQueueBytes; };
    while (!room()) {
        if (!m_changed.wait_for(lock, kWaitSlice, room) && m_cancelled && m_cancelled()) {
            return ECANCELED;
        }
    }
    if (m_bStop) {
        return ECANCELED;
    }
    if (m_bDone) {
        // The upload ended before its bytes did: only a failure does that.
        return m_result != 0 ? m_result : EIO;
    }
    if (!bytes.empty()) {
        m_queue.emplace_back(bytes);
        m_queued += bytes.size();
        m_changed.notify_all();
    }
    return 0;
}

bool CRemoteUploadStream::WaitForEnd() {
    std::unique_lock lock(m_mutex);
    while (!m_bDone) {
        if (!m_changed.wait_for(lock, kWaitSlice, [this] { return m_bDone; }) && m_cancelled &&
            m_cancelled()) {
            return false;
        }
    }
    return true;
}

int CRemoteUploadStream::Finish() {
    if (m_bJoined) {
        return m_result != 0 ? m_result : ECANCELED;
    }
    {
        std::lock_guard lock(m_mutex);
        m_bEnd = true;
        m_changed.notify_all();
    }
    if (!WaitForEnd()) {
        Cancel();
        return ECANCELED;
    }
    m_thread.join();
    m_bJoined = true;
    return m_result;
}

void CRemoteUploadStream::Cancel() {
    {
        std::unique_lock lock(m_mutex);
        m_bStop = !m_bDone;
        m_changed.notify_all();
        if (!m_changed.wait_for(lock, kStopGrace, [this] { return m_bDone; })) {
            m_driver.Cancel();
            m_bDriverCancelled = true;
        }
    }
    if (!m_bJoined) {
        m_thread.join();
        m_bJoined = true;
    }
}

}  // namespace tv
