// The in-process window system: window classes, windows with their procedures, one message queue
// per thread, posting and sending, the message pump, timers, geometry, painting and the virtual
// screen. There is no display: every window has a pixel surface instead (see win_gdi.h).
//
// A window belongs to the thread that created it, and its procedure runs only there: through that
// thread's pump for posted messages, directly for SendMessageW from the same thread, and, for
// SendMessageW from another thread, when the owner thread next pumps (or is itself waiting in a
// SendMessageW). Handles are never reused within the process.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

typedef LRESULT(CALLBACK* WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef void(CALLBACK* TIMERPROC)(HWND window, UINT message, UINT_PTR timerId, DWORD time);

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
};

struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

// Class styles.
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_EX_TOPMOST 0x00000008L

#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_MESSAGE ((HWND)(LONG_PTR)-3)
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)

// Messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_DELETEITEM 0x002D
#define WM_VKEYTOITEM 0x002E
#define WM_CHARTOITEM 0x002F
#define WM_COMPAREITEM 0x0039
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_GETDLGCODE 0x0087
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_PARENTNOTIFY 0x0210
#define WM_USER 0x0400

#define SIZE_RESTORED 0
#define MA_ACTIVATE 1
#define HTCLIENT 1

// Mouse-message key flags (wParam).
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// PeekMessageW options.
#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u

// Window data indices.
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWNA 8

// SetWindowPos flags.
#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOREDRAW 0x0008u
#define SWP_NOACTIVATE 0x0010u
#define SWP_SHOWWINDOW 0x0040u
#define SWP_HIDEWINDOW 0x0080u

// System metrics of the virtual screen.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79

// Classes. A second registration of a name fails with ERROR_CLASS_ALREADY_EXISTS (1410); names
// compare without regard to ASCII case. cbSize must be sizeof(WNDCLASSEXW).
ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass);
// Fails with ERROR_CLASS_DOES_NOT_EXIST, or ERROR_CLASS_HAS_WINDOWS while windows of it exist.
BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance);

// Windows. A parent of HWND_MESSAGE makes a message-only window; with WS_CHILD the parent is the
// window's parent, otherwise the top-level window it belongs to becomes the owner. WM_NCCREATE and WM_CREATE are sent
// before this returns; -1 from WM_CREATE destroys the window and yields NULL.
HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Destroys the windows this one owns first; takes the focus away when it is in this window or one
// of its children (the focused window hears WM_KILLFOCUS); then sends WM_DESTROY to it, destroys
// its children and sends WM_NCDESTROY. Only the owner thread may destroy a window
// (ERROR_ACCESS_DENIED otherwise).
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI IsWindow(HWND window);
HWND WINAPI GetParent(HWND window);
LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index);
LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
// Copies the window's text (the name it was created with) into the buffer, truncated to
// maxCount - 1 characters and terminated; answers the characters copied, 0 for an unknown window.
int WINAPI GetWindowTextW(HWND window, LPWSTR text, int maxCount);

// Messages. PostMessageW fails (FALSE, ERROR_INVALID_WINDOW_HANDLE) for an unknown or destroyed
// window; a NULL window posts to the calling thread. SendMessageW to a window that is gone, or
// whose thread has ended, returns 0 at once.
BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exitCode);
// Order of retrieval: sent messages (handled inside the call), posted messages in order, WM_QUIT,
// WM_PAINT, WM_TIMER; the last two are made only while no posted message waits.
BOOL WINAPI GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax);
BOOL WINAPI PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WINAPI TranslateMessage(const MSG* message);
LRESULT WINAPI DispatchMessageW(const MSG* message);

// Timers. A window timer reaches the window's procedure as WM_TIMER (or its TIMERPROC); a second
// SetTimer with the same id replaces the first. A timer on no window belongs to the calling thread,
// gets a new id and reaches no window procedure.
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR timerId, UINT elapse, TIMERPROC timerProc);
BOOL WINAPI KillTimer(HWND window, UINT_PTR timerId);

// Geometry. The client area is the whole window (no frame); a child's position is relative to
// its parent's client area, a top-level window's to the screen. Widths and heights are held to
// 0..8192 and positions to -32768..32767, here and in CreateWindowExW.
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI ClientToScreen(HWND window, LPPOINT point);
BOOL WINAPI ScreenToClient(HWND window, LPPOINT point);
// A size change resizes the surface and sends WM_SIZE (SIZE_RESTORED, width | height << 16); a
// change of position then sends WM_MOVE (x | y << 16, the new client position, as 16-bit values).
BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
// Showing a top-level window (not a child, not message-only) gives it the focus.
BOOL WINAPI ShowWindow(HWND window, int command);
// Sends WM_PAINT at once when the window is visible and needs painting.
BOOL WINAPI UpdateWindow(HWND window);
// Marks the window for one WM_PAINT; the rectangle is taken as the whole client area. A window is
// painted only while it and every parent above it are visible.
BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase);

int WINAPI GetSystemMetrics(int index);
UINT WINAPI GetDoubleClickTime();
