// A hidden message-only window of the calling thread, whose procedure finds its owner object again
// through the window's user data. The browser's main-thread work and its page timers each have one.
#pragma once

#include "platform/window/win_window.h"

namespace test_support {

// Registers the class (once per process) and makes the window; NULL when it cannot be made.
HWND createMessageWindow(const wchar_t* className, WNDPROC procedure, void* owner);

// The owner given at creation; null once forgetMessageWindowOwner has run.
template <typename Owner>
Owner* messageWindowOwner(HWND window) {
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Destroys the window after cutting it loose from its owner.
void destroyMessageWindow(HWND window);

}  // namespace test_support
