// Windows of the stand-ins: a hidden message-only window of the calling thread whose procedure
// finds its owner object again through the window's user data (the main thread's work and the
// page timers each have one), and the container's plain windows (the page's, a control's).
#pragma once

#include "platform/window/win_window.h"

namespace test_support {

// Registers the class (once per name) and makes the window; NULL when it cannot be made.
HWND createClassWindow(const wchar_t* className, UINT classStyle, WNDPROC procedure, DWORD style, int width, int height,
                       HWND parent);

// A message-only window; NULL when it cannot be made.
HWND createMessageWindow(const wchar_t* className, WNDPROC procedure, void* owner);

// The owner given at creation; null once destroyMessageWindow has cut the window loose.
template <typename Owner>
Owner* messageWindowOwner(HWND window) {
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Destroys the window after cutting it loose from its owner.
void destroyMessageWindow(HWND window);

}  // namespace test_support
