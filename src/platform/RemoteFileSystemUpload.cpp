#include <algorithm>
#include <cerrno>

#include "base/PathText.h"
#include "platform/RemoteFileSystem.h"

// The way a written file reaches the server: from the spool at Rename, or streaming over the
// second connection while it is written.
namespace tv {

IRemoteDriver* CRemoteFileSystem::UploadDriver() {
    if (!m_uploadDriver) {
        m_uploadDriver = m_driver->Twin();
    }
    if (m_uploadDriver && m_uploadDriver->Connect() == 0) {
        return m_uploadDriver.get();
    }
    m_uploadDriver.reset();
    std::lock_guard lock(m_handleMutex);
    m_bNoStream = true;
    return nullptr;
}

void CRemoteFileSystem::StartStream(int file) {
    {
        std::lock_guard lock(m_handleMutex);
        if (m_bNoStream || m_bUploadBusy) {
            return;
        }
        m_bUploadBusy = true;
    }
    CHandle handle;
    IRemoteDriver* driver = Find(file, handle) == 0 ? UploadDriver() : nullptr;
    if (!driver) {
        std::lock_guard lock(m_handleMutex);
        m_bUploadBusy = false;
        return;
    }
    CUploadOptions options;
    options.m_target = TargetOf(handle.m_target);
    auto stream = std::make_shared<CRemoteUploadStream>(*driver, handle.m_target, options,
                                                        m_reconnect.m_cancelled);
    {
        std::lock_guard lock(m_handleMutex);
        m_uploadHolder = stream.get();
    }
    std::string piece(kStreamFromBytes, '\0');
    int error = 0;
    for (uint64_t sent = 0; sent < handle.m_size && error == 0;) {
        size_t got = 0;
        const auto want =
            static_cast<size_t>(std::min<uint64_t>(piece.size(), handle.m_size - sent));
        error = handle.m_spool->Read(sent, piece.data(), want, got);
        error = error != 0 ? error : got == 0 ? EIO : stream->Write({piece.data(), got});
        sent += got;
    }
    if (error != 0) {
        // The spool still has every byte: Rename sends it the old way.
        stream->Cancel();
        Release(stream);
        return;
    }
    {
        std::lock_guard lock(m_handleMutex);
        if (auto found = m_handles.find(file); found != m_handles.end()) {
            found->second.m_stream = stream;
            found->second.m_spool.reset();
            return;
        }
    }
    stream->Cancel();
    Release(stream);
}

void CRemoteFileSystem::Release(const std::shared_ptr<CRemoteUploadStream>& stream) {
    {
        std::lock_guard lock(m_handleMutex);
        if (m_uploadHolder != stream.get()) {
            return;
        }
    }
    if (stream->DriverCancelled()) {
        m_uploadDriver.reset();
    }
    std::lock_guard lock(m_handleMutex);
    m_uploadHolder = nullptr;
    m_bUploadBusy = false;
}

std::shared_ptr<CRemoteUploadStream> CRemoteFileSystem::StreamOf(int file) {
    std::lock_guard lock(m_handleMutex);
    auto found = m_handles.find(file);
    return found == m_handles.end() ? nullptr : found->second.m_stream;
}

int CRemoteFileSystem::FinishStream(int file, const std::shared_ptr<CRemoteUploadStream>& stream,
                                    const std::string& target) {
    CHandle handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = m_handles.at(file);
    }
    if (target != handle.m_target) {
        return EINVAL;
    }
    const int error = stream->Finish();
    bool timeSet = false;
    if (error == 0 && handle.m_lastWrite != kKeepTime) {
        // The bytes are in place; a server that cannot set times only costs exactness.
        timeSet = m_uploadDriver->SetTime(target, ServerTime(handle.m_lastWrite)) == 0;
        m_bExactTimes = m_bExactTimes && timeSet;
    }
    Release(stream);
    if (LostConnection(error)) {
        m_bUploadLost = true;
    }
    NoteUpload(target, handle, timeSet);
    return error;
}

int CRemoteFileSystem::Upload(int file, const std::string& target) {
    CHandle handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = m_handles.at(file);
    }
    CUploadOptions options;
    options.m_target = TargetOf(target);
    if (handle.m_lastWrite != kKeepTime) {
        options.m_lastWrite = ServerTime(handle.m_lastWrite);
    }
    bool timeSet = false;
    const int error = OnServer([&](IRemoteDriver& driver) {
        uint64_t sent = 0;
        int sendError = driver.Upload(
            target,
            [&](void* buffer, size_t size, size_t& got) {
                size_t want = static_cast<size_t>(std::min<uint64_t>(size, handle.m_size - sent));
                got = 0;
                int read = want == 0 ? 0 : handle.m_spool->Read(sent, buffer, want, got);
                sent += got;
                return read == 0 && got == 0 && want != 0 ? EIO : read;
            },
            options, timeSet);
        // The bytes are in place; a server that cannot set times only costs exactness.
        if (sendError == 0 && options.m_lastWrite != kKeepTime && !timeSet) {
            m_bExactTimes = false;
        }
        return sendError;
    });
    NoteUpload(target, handle, timeSet);
    return error;
}

// With its time set, the uploaded file is known exactly; without, the next look must ask.
void CRemoteFileSystem::NoteUpload(const std::string& target, const CHandle& handle, bool timeSet) {
    if (timeSet) {
        Known(target, CRemoteEntry{NameOf(target), EntryType::File, handle.m_size,
                                   ServerTime(handle.m_lastWrite), RemoteTimeKind::Utc});
    } else {
        Changed(target);
    }
}

}  // namespace tv
