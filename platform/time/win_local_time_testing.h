// A clock that tests set: while set, GetLocalTime answers that moment instead of the system's local
// time, on every thread, until the test gives the system clock back. The clock stands still, so a
// view that shows the time draws the same text on every picture.
#pragma once

#include "platform/time/win_local_time.h"

namespace platform::testing {

// Fixes the local time. The weekday is computed from the date (the one given is ignored, as the
// platform's own clock setter ignores it). A moment that does not exist (February 30th, hour 24,
// a year outside 1601..30827) is refused with false and the clock stays as it was.
bool setLocalTime(const SYSTEMTIME& moment);

// GetLocalTime answers the system's local time again.
void useSystemLocalTime();

}  // namespace platform::testing
