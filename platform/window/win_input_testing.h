// Input injection for tests. Each call updates the key state and cursor position the way real
// input does and posts the WM_* message through the window's queue, with the MK_* flags in wParam
// and the client position packed in lParam (x low, y high, 16-bit signed). When the message is
// retrieved, GetKeyState and GetCursorPos answer again as they did right after it was injected, so
// a procedure sees the state of its own message even when more input was injected before the pump
// ran; a mouse message's window then first hears WM_SETCURSOR and, for a press, WM_MOUSEACTIVATE.
//
// A press on a window whose class has CS_DBLCLKS becomes a double click when it follows a press of
// the same button on the same window within GetDoubleClickTime() and within half the
// SM_CXDOUBLECLK x SM_CYDOUBLECLK box; the press after a double click starts afresh.
#pragma once

#include "platform/window/win_input.h"
#include "platform/window/win_window.h"

namespace platform::testing {

enum class MouseButton { Left, Right, Middle };

void mouseMove(HWND window, int x, int y);
void mouseDown(HWND window, MouseButton button, int x, int y);
void mouseUp(HWND window, MouseButton button, int x, int y);
// Press, release, press, release at one point in quick succession.
void doubleClick(HWND window, MouseButton button, int x, int y);

// Keystrokes to the focused window, as keybd_event delivers them.
void keyDown(BYTE virtualKey);
void keyUp(BYTE virtualKey);

// Moves the clock that stamps injected input forward, so that a following press comes later than
// the double-click time without the test sleeping.
void advanceInputClock(DWORD milliseconds);
// All keys and buttons up, cursor at (0, 0), no press remembered for double clicks.
void resetInputState();

}  // namespace platform::testing
