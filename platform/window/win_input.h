// Keyboard and mouse state of the process: key states, the cursor position and shape, the focus,
// and keystroke synthesis. Tests inject input through win_input_testing.h.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"
#include "platform/window/win_window.h"

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E

#define KEYEVENTF_EXTENDEDKEY 0x0001u
#define KEYEVENTF_KEYUP 0x0002u

#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_IBEAM MAKEINTRESOURCEW(32513)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDC_CROSS MAKEINTRESOURCEW(32515)
#define IDC_HAND MAKEINTRESOURCEW(32649)

// High bit (negative value) while the key or button is down; low bit toggled by each press. Input
// messages carry the state they were made in: retrieving one brings that state back.
SHORT WINAPI GetKeyState(int virtualKey);
BOOL WINAPI GetCursorPos(LPPOINT point);

// The process has one focus window. SetFocus sends WM_KILLFOCUS to the old and WM_SETFOCUS to the
// new window (without waiting when it belongs to another thread) and returns the old one; NULL
// clears the focus.
HWND WINAPI SetFocus(HWND window);
HWND WINAPI GetFocus();

// Only the system's own cursors (instance NULL, an IDC_* id) can be loaded.
HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR cursorName);
HCURSOR WINAPI SetCursor(HCURSOR cursor);
HCURSOR WINAPI GetCursor();

// A keystroke: updates the key state and posts WM_KEYDOWN or WM_KEYUP to the focused window of
// this process (nothing when no window has the focus).
void WINAPI keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo);
