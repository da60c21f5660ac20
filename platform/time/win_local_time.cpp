#include "platform/time/win_local_time.h"
#include "platform/time/win_local_time_testing.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <optional>

namespace {

// The moment a test fixed, if any; read by every thread that asks for the time.
struct FixedClock {
    std::mutex lock;
    std::optional<SYSTEMTIME> moment;
};

FixedClock& fixedClock() {
    static FixedClock clock;
    return clock;
}

std::chrono::year_month_day dateOf(const SYSTEMTIME& moment) {
    return std::chrono::year_month_day{std::chrono::year{moment.wYear}, std::chrono::month{moment.wMonth},
                                       std::chrono::day{moment.wDay}};
}

bool validMoment(const SYSTEMTIME& moment) {
    return moment.wYear >= 1601 && moment.wYear <= 30827 && dateOf(moment).ok() && moment.wHour < 24 &&
           moment.wMinute < 60 && moment.wSecond < 60 && moment.wMilliseconds < 1000;
}

void systemLocalTime(SYSTEMTIME* out) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);  // the reentrant form: callers run on many threads
    out->wYear = static_cast<WORD>(local.tm_year + 1900);
    out->wMonth = static_cast<WORD>(local.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    out->wDay = static_cast<WORD>(local.tm_mday);
    out->wHour = static_cast<WORD>(local.tm_hour);
    out->wMinute = static_cast<WORD>(local.tm_min);
    out->wSecond = static_cast<WORD>(local.tm_sec);
    out->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

}  // namespace

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime) return;
    {
        FixedClock& clock = fixedClock();
        std::lock_guard<std::mutex> hold(clock.lock);
        if (clock.moment) {
            *lpSystemTime = *clock.moment;
            return;
        }
    }
    systemLocalTime(lpSystemTime);
}

namespace platform::testing {

bool setLocalTime(const SYSTEMTIME& moment) {
    if (!validMoment(moment)) return false;
    SYSTEMTIME fixed = moment;
    fixed.wDayOfWeek = static_cast<WORD>(std::chrono::weekday{std::chrono::sys_days{dateOf(moment)}}.c_encoding());
    FixedClock& clock = fixedClock();
    std::lock_guard<std::mutex> hold(clock.lock);
    clock.moment = fixed;
    return true;
}

void useSystemLocalTime() {
    FixedClock& clock = fixedClock();
    std::lock_guard<std::mutex> hold(clock.lock);
    clock.moment.reset();
}

}  // namespace platform::testing
