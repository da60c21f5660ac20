// Test hooks of the window system: timers ticked by hand, the virtual screen's size, and a pump
// that handles what is waiting without blocking.
#pragma once

#include "platform/window/win_window.h"

namespace platform::testing {

// Makes a running timer due now: the owner thread's pump delivers its WM_TIMER next time no
// posted message waits. A NULL window names a thread timer of the calling thread. False when no
// such timer runs.
bool fireTimer(HWND window, UINT_PTR timerId);
// With false, timers become due only through fireTimer, so time-based behaviour is driven by the
// test alone. Default true.
void setTimersFollowClock(bool follow);
// The period of a running timer in milliseconds, 0 when none runs (a NULL window: the calling
// thread's thread timers).
UINT timerElapse(HWND window, UINT_PTR timerId);

// The virtual screen GetSystemMetrics reports; 1920 x 1080 until changed.
void setScreenSize(int width, int height);

// Dispatches every message the calling thread can retrieve now (sent, posted, WM_PAINT, due
// timers) without waiting, and returns how many were dispatched. WM_QUIT is left in the queue.
// Stops after 10000 messages so that a window that never validates itself cannot hang a test.
int pumpPendingMessages();

}  // namespace platform::testing
