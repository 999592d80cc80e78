// The first steps of a forked child that becomes one of a test's servers.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace tvtest {

// The server dies with the test process: a test that aborts (a sanitizer report, a crash) must
// not leave a server behind that holds the test runner's output open. A test that caught
// signals itself may have blocked them; stopping the server must still reach it.
inline void BecomeTestServer(pid_t testProcess) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != testProcess) {
        _exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

}  // namespace tvtest
