#include "platform/QuitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace tv {

namespace {

std::atomic<int> g_quitPipe{-1};

void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already says that a signal came.
    [[maybe_unused]] const ssize_t written = write(g_quitPipe.load(), &byte, 1);
    errno = saved;
}

}  // namespace

CQuitSignals::CQuitSignals() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_read = ends[0];
    m_write = ends[1];
    g_quitPipe.store(m_write);
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &m_saved[i]);
    }
}

CQuitSignals::~CQuitSignals() {
    if (m_read < 0) {
        return;
    }
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &m_saved[i], nullptr);
    }
    g_quitPipe.store(-1);
    close(m_read);
    close(m_write);
}

bool CQuitSignals::Take() {
    bool came = false;
    char bytes[64];
    while (m_read >= 0 && read(m_read, bytes, sizeof(bytes)) > 0) {
        came = true;
    }
    return came;
}

}  // namespace tv
