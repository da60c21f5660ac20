// Timers of the browser's main thread (the page's setTimeout, stream deliveries waiting for the
// plug-in): run by its message pump through one platform timer kept for the earliest, in the order
// of their due times and, for equal times, the order they were set. Main thread only: made, used
// and destroyed there.
#pragma once

#include "platform/window/win_window.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace test_support {

class PumpTimers {
public:
    // Hears each timer that comes due, by its id.
    using DueSink = std::function<void(int id)>;

    explicit PumpTimers(DueSink dueSink);
    ~PumpTimers();
    PumpTimers(const PumpTimers&) = delete;
    PumpTimers& operator=(const PumpTimers&) = delete;

    // A new timer; ids count from 1. A negative delay counts as 0.
    int add(std::chrono::milliseconds delay);
    // Forgets the timer; false when no such timer waits.
    bool cancel(int id);
    size_t waiting() const { return timers_.size(); }

private:
    using Clock = std::chrono::steady_clock;
    using Key = std::pair<Clock::time_point, uint64_t>;  // due time, then the order of setting

    void arm();
    void runDue();
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    DueSink dueSink_;
    HWND window_ = nullptr;
    std::map<Key, int> timers_;
    uint64_t sequence_ = 0;
    int nextId_ = 1;
};

}  // namespace test_support
