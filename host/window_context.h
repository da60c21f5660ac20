// What a binding knows of the surface the browser gave it, handed to the factory to make the
// matching plug-in window wrapper.
#pragma once

#include "platform/base/win_user_types.h"

namespace FB {

struct WindowContextWindowed {
    explicit WindowContextWindowed(HWND window) : handle(window) {}
    HWND handle;
};

struct WindowContextWindowless {
    explicit WindowContextWindowless(HDC dc) : drawable(dc) {}
    HDC drawable;
};

}  // namespace FB
