// The container's windows: the page's, and the control's child window in it.
#pragma once

#include "platform/window/win_window.h"

namespace test_support {

// Registers the class (once per name) with the default window procedure and makes the window;
// NULL when it cannot be made.
HWND createContainerWindow(const wchar_t* className, UINT classStyle, DWORD style, int width, int height, HWND parent);

}  // namespace test_support
