#include "platform/Console.h"

#include <gtest/gtest.h>

#include <signal.h>

// A catcher that has gone must not leave the signals blocked: whatever the process starts
// afterwards would inherit the mask and could no longer be stopped with SIGTERM.
TEST(SignalCatcher, GivesTheSignalsBackWhenItGoes) {
    sigset_t before;
    pthread_sigmask(SIG_SETMASK, nullptr, &before);
    {
        tv::CSignalCatcher catcher([] {});
    }
    sigset_t after;
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    for (const int signal : {SIGINT, SIGTERM, SIGUSR1}) {
        EXPECT_EQ(sigismember(&after, signal), sigismember(&before, signal)) << signal;
    }
}
