#include "platform/window/window_system.h"
#include "platform/base/win_error.h"
#include "platform/window/win_window_testing.h"

#include <algorithm>

using namespace platform::detail;

namespace {

// Timers shorter than this are raised to it, as on the original.
constexpr UINT kMinimumElapse = 10;

Timer* findTimerLocked(ThreadQueue& queue, HWND window, UINT_PTR id) {
    auto found = std::find_if(queue.timers.begin(), queue.timers.end(),
                              [&](const Timer& t) { return t.window == window && t.id == id; });
    return found == queue.timers.end() ? nullptr : &*found;
}

// The queue that serves the window's timers, or the calling thread's for a thread timer.
std::shared_ptr<ThreadQueue> timerQueueLocked(HWND window, const std::shared_ptr<ThreadQueue>& self) {
    if (!window) return self;
    auto found = requireWindowLocked(window);
    return found ? found->queue : nullptr;
}

UINT_PTR newThreadTimerId(const ThreadQueue& queue) {
    UINT_PTR id = 1;
    for (const Timer& timer : queue.timers) {
        if (!timer.window) id = std::max(id, timer.id + 1);
    }
    return id;
}

}  // namespace

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR timerId, UINT elapse, TIMERPROC timerProc) {
    auto self = currentQueue();
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto queue = timerQueueLocked(window, self);
    if (!queue) return 0;
    Timer* timer = findTimerLocked(*queue, window, timerId);
    if (!timer) {
        if (!window) timerId = newThreadTimerId(*queue);
        timer = &queue->timers.emplace_back();
        timer->window = window;
        timer->id = timerId;
    }
    timer->elapse = std::max(elapse, kMinimumElapse);
    timer->procedure = timerProc;
    timer->due = Clock::now() + std::chrono::milliseconds(timer->elapse);
    timer->firedByHand = false;
    queue->wake.notify_all();
    return window && timerId == 0 ? 1 : timerId;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR timerId) {
    auto self = currentQueue();
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto queue = timerQueueLocked(window, self);
    if (!queue) return FALSE;
    auto& timers = queue->timers;
    auto found = std::find_if(timers.begin(), timers.end(),
                              [&](const Timer& t) { return t.window == window && t.id == timerId; });
    if (found == timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers.erase(found);
    return TRUE;
}

namespace platform::testing {

bool fireTimer(HWND window, UINT_PTR timerId) {
    auto self = currentQueue();
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto queue = timerQueueLocked(window, self);
    Timer* timer = queue ? findTimerLocked(*queue, window, timerId) : nullptr;
    if (!timer) return false;
    timer->firedByHand = true;
    queue->wake.notify_all();
    return true;
}

void setTimersFollowClock(bool follow) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    windowSystem().timersFollowClock = follow;
}

UINT timerElapse(HWND window, UINT_PTR timerId) {
    auto self = currentQueue();
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto queue = timerQueueLocked(window, self);
    Timer* timer = queue ? findTimerLocked(*queue, window, timerId) : nullptr;
    return timer ? timer->elapse : 0;
}

}  // namespace platform::testing
