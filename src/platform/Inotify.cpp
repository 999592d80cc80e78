#include "platform/Inotify.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tv {

namespace {

constexpr uint32_t kWatchMask = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE |
                                IN_MOVED_FROM | IN_MOVED_TO | IN_DONT_FOLLOW | IN_ONLYDIR |
                                IN_EXCL_UNLINK;

// A buffer of this size takes several hundred events per read, so a burst costs few calls.
constexpr size_t kBufferBytes = 256 * 1024;

uint32_t WhatOf(uint32_t mask) {
    static constexpr struct {
        uint32_t m_kernel;
        uint32_t m_ours;
    } kBits[] = {
        {IN_CREATE, watchbit::kCreated},          {IN_MODIFY, watchbit::kModified},
        {IN_CLOSE_WRITE, watchbit::kClosedWrite}, {IN_ATTRIB, watchbit::kAttributes},
        {IN_DELETE, watchbit::kDeleted},          {IN_MOVED_FROM, watchbit::kMovedFrom},
        {IN_MOVED_TO, watchbit::kMovedTo},        {IN_ISDIR, watchbit::kFolder},
        {IN_IGNORED, watchbit::kWatchGone},       {IN_Q_OVERFLOW, watchbit::kOverflow},
    };
    uint32_t what = 0;
    for (const auto& bit : kBits) {
        if (mask & bit.m_kernel) {
            what |= bit.m_ours;
        }
    }
    return what;
}

}  // namespace

CInotify::CInotify() : m_buffer(kBufferBytes) {
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_fd < 0 || m_wakeFd < 0) {
        m_error = errno;
    }
}

CInotify::~CInotify() {
    if (m_fd >= 0) {
        close(m_fd);
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
    }
}

int CInotify::AddWatch(const std::string& path, int& watch) {
    watch = inotify_add_watch(m_fd, path.c_str(), kWatchMask);
    return watch < 0 ? errno : 0;
}

void CInotify::RemoveWatch(int watch) {
    inotify_rm_watch(m_fd, watch);
}

int CInotify::Read(int timeoutMs, std::vector<CWatchEvent>& events) {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    if (ready < 0) {
        return errno == EINTR ? 0 : errno;
    }
    if (fds[1].revents & POLLIN) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t drained = read(m_wakeFd, &count, sizeof count);
    }
    if (!(fds[0].revents & POLLIN)) {
        return 0;
    }
    const ssize_t got = read(m_fd, m_buffer.data(), m_buffer.size());
    if (got < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : errno;
    }
    for (ssize_t at = 0; at < got;) {
        inotify_event header;
        std::memcpy(&header, m_buffer.data() + at, sizeof header);
        CWatchEvent& event = events.emplace_back();
        event.m_watch = header.wd;
        event.m_what = WhatOf(header.mask);
        event.m_cookie = header.cookie;
        if (header.len > 0) {
            event.m_name.assign(m_buffer.data() + at + sizeof header,
                                strnlen(m_buffer.data() + at + sizeof header, header.len));
        }
        at += static_cast<ssize_t>(sizeof header + header.len);
    }
    return 0;
}

void CInotify::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

}  // namespace tv
