#include "platform/Console.h"

#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace tv {

namespace {

sigset_t CaughtSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);  // only our own wake-up at the end
    return set;
}

}  // namespace

bool IsTerminal(int fd) {
    return isatty(fd) == 1;
}

CEchoOff::CEchoOff(int fd) : m_fd(fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return;
    }
    m_savedFlags = settings.c_lflag;
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    m_bChanged = tcsetattr(fd, TCSAFLUSH, &settings) == 0;
}

CEchoOff::~CEchoOff() {
    termios settings{};
    if (m_bChanged && tcgetattr(m_fd, &settings) == 0) {
        settings.c_lflag = static_cast<tcflag_t>(m_savedFlags);
        tcsetattr(m_fd, TCSAFLUSH, &settings);
    }
}

CSignalCatcher::CSignalCatcher(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {
    const sigset_t set = CaughtSignals();
    pthread_sigmask(SIG_BLOCK, &set, &m_savedMask);
    m_thread = std::thread([this] { Wait(); });
}

CSignalCatcher::~CSignalCatcher() {
    m_bStopping = true;
    pthread_kill(m_thread.native_handle(), SIGUSR1);
    m_thread.join();
    // Children forked later inherit the mask: a blocked SIGTERM would make them unstoppable.
    pthread_sigmask(SIG_SETMASK, &m_savedMask, nullptr);
}

// sigwait takes the signal out of the pending set, so no handler runs and the cancel is an
// ordinary call from an ordinary thread.
void CSignalCatcher::Wait() {
    const sigset_t set = CaughtSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        if (signal == SIGUSR1) {
            if (m_bStopping) {
                return;
            }
            continue;
        }
        m_bCaught = true;
        m_onSignal();
    }
}

}  // namespace tv
