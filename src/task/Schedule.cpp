#include "task/Schedule.h"

namespace tv {

void CSchedule::Reset() {
    *this = CSchedule();
    F = UnixFromLocalCalendar({1998, 4, 3, 0, 1, 0});
    G = UnixFromLocalCalendar({1998, 4, 3, 23, 59, 0});
}

}  // namespace tv
