#include "platform/Clock.h"

#include <time.h>

namespace tv {

namespace {

FileTime Now(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return FileTimeFromUnix(now.tv_sec, static_cast<uint32_t>(now.tv_nsec));
}

}  // namespace

FileTime CoarseNow() {
    return Now(CLOCK_REALTIME_COARSE);
}

// Stamps come from the coarse clock, or from the precise one where a file system asks for
// finer times: the precise reading is no earlier than any of them so far, and once the coarse
// clock is past it, every later stamp is past it too.
FileTime StampBoundaryNow() {
    const FileTime boundary = Now(CLOCK_REALTIME);
    const timespec pause{0, 500'000};
    while (CoarseNow() <= boundary) {
        nanosleep(&pause, nullptr);
    }
    return boundary;
}

}  // namespace tv
