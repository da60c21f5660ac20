#include "platform/base/kernel_object.h"
#include "platform/window/window_system.h"
#include "platform/base/win_error.h"
#include "platform/window/win_input.h"
#include "platform/window/win_input_testing.h"
#include "platform/thread/win_thread.h"

#include <algorithm>
#include <cstdlib>
#include <map>

using namespace platform::detail;
using platform::testing::MouseButton;

namespace {

// Half of the SM_CXDOUBLECLK x SM_CYDOUBLECLK box around the first press.
constexpr LONG kDoubleClickReach = 2;

DWORD inputTimeLocked() { return GetTickCount() + windowSystem().inputClockOffset; }

bool isDownLocked(int virtualKey) { return (windowSystem().input.keyState[virtualKey & 0xFF] & 0x80) != 0; }

void setKeyLocked(int virtualKey, bool down) {
    BYTE& state = windowSystem().input.keyState[virtualKey & 0xFF];
    if (down && !(state & 0x80)) state ^= 0x01;  // each press toggles
    state = down ? static_cast<BYTE>(state | 0x80) : static_cast<BYTE>(state & ~0x80);
}

WPARAM mouseFlagsLocked() {
    WPARAM flags = 0;
    if (isDownLocked(VK_LBUTTON)) flags |= MK_LBUTTON;
    if (isDownLocked(VK_RBUTTON)) flags |= MK_RBUTTON;
    if (isDownLocked(VK_MBUTTON)) flags |= MK_MBUTTON;
    if (isDownLocked(VK_SHIFT)) flags |= MK_SHIFT;
    if (isDownLocked(VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

int buttonKey(MouseButton button) {
    switch (button) {
        case MouseButton::Left:
            return VK_LBUTTON;
        case MouseButton::Right:
            return VK_RBUTTON;
        default:
            return VK_MBUTTON;
    }
}

UINT downMessage(MouseButton button) {
    switch (button) {
        case MouseButton::Left:
            return WM_LBUTTONDOWN;
        case MouseButton::Right:
            return WM_RBUTTONDOWN;
        default:
            return WM_MBUTTONDOWN;
    }
}

// A press becomes a double click when it completes the remembered one; either way it is
// remembered or forgotten for the next press.
UINT pressMessageLocked(const Window& window, UINT down, POINT at, DWORD time) {
    auto& last = windowSystem().lastPress;
    bool completes = (window.windowClass->style & CS_DBLCLKS) && last.window == window.handle &&
                     last.downMessage == down && time - last.time <= GetDoubleClickTime() &&
                     std::labs(at.x - last.at.x) <= kDoubleClickReach &&
                     std::labs(at.y - last.at.y) <= kDoubleClickReach;
    if (completes) {
        last = {};
        return down + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
    }
    last = {window.handle, down, time, at};
    return down;
}

// Posts one mouse message at a client position, after moving the cursor there and updating the
// button state the message reports.
void injectMouse(HWND handle, int x, int y, int buttonKeyChanged, bool buttonDown, UINT message) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    auto window = findWindowLocked(handle);
    if (!window) return;
    if (buttonKeyChanged) setKeyLocked(buttonKeyChanged, buttonDown);
    POINT origin = screenOriginLocked(*window);
    system.input.cursor = POINT{origin.x + x, origin.y + y};
    DWORD time = inputTimeLocked();
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
        message = pressMessageLocked(*window, message, system.input.cursor, time);
    }
    LPARAM position = MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)));
    postLocked(*window, MSG{handle, message, mouseFlagsLocked(), position, time, system.input.cursor}, true);
}

// The character a key-down types, 0 for keys that type none.
WCHAR typedCharacter(WPARAM virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        bool upper = (GetKeyState(VK_SHIFT) < 0) != ((GetKeyState(0x14 /* caps lock */) & 1) != 0);
        return static_cast<WCHAR>(upper ? virtualKey : virtualKey - 'A' + 'a');
    }
    if (virtualKey >= '0' && virtualKey <= '9') return static_cast<WCHAR>(virtualKey);
    switch (virtualKey) {
        case VK_SPACE:
            return L' ';
        case VK_RETURN:
            return L'\r';
        case VK_ESCAPE:
            return 0x1B;
        case VK_BACK:
            return 0x08;
        case VK_TAB:
            return L'\t';
        default:
            return 0;
    }
}

}  // namespace

SHORT WINAPI GetKeyState(int virtualKey) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    BYTE state = windowSystem().input.keyState[virtualKey & 0xFF];
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    *point = windowSystem().input.cursor;
    return TRUE;
}

HWND WINAPI SetFocus(HWND handle) {
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    if (handle && !requireWindowLocked(handle)) return nullptr;
    HWND previous = windowSystem().focus;
    if (previous == handle) return previous;
    windowSystem().focus = handle;
    lock.unlock();
    if (previous) sendNotify(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    if (handle) sendNotify(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND WINAPI GetFocus() {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    return windowSystem().focus;
}

HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) {
    static const WORD systemCursors[] = {32512, 32513, 32514, 32515, 32649};
    WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(cursorName));
    bool known = !instance && IS_INTRESOURCE(cursorName) &&
                 std::find(std::begin(systemCursors), std::end(systemCursors), id) != std::end(systemCursors);
    if (!known) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // Each system cursor has one handle for the life of the process.
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    static std::map<WORD, HCURSOR> loaded;
    HCURSOR& cursor = loaded[id];
    if (!cursor) cursor = reinterpret_cast<HCURSOR>(nextHandleValue());
    return cursor;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    HCURSOR previous = windowSystem().cursorShape;
    windowSystem().cursorShape = cursor;
    return previous;
}

HCURSOR WINAPI GetCursor() {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    return windowSystem().cursorShape;
}

void WINAPI keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    bool up = (flags & KEYEVENTF_KEYUP) != 0;
    bool wasDown = isDownLocked(virtualKey);
    setKeyLocked(virtualKey, !up);
    auto window = findWindowLocked(system.focus);
    if (!window) return;
    // Repeat count 1, scan code, extended-key bit, previous state and transition state.
    DWORD keyData = 1u | (static_cast<DWORD>(scanCode) << 16) | ((flags & KEYEVENTF_EXTENDEDKEY) ? 1u << 24 : 0u) |
                    (wasDown ? 1u << 30 : 0u) | (up ? 1u << 31 : 0u);
    MSG message{window->handle,    up ? static_cast<UINT>(WM_KEYUP) : static_cast<UINT>(WM_KEYDOWN),
                virtualKey,        static_cast<LPARAM>(keyData),
                inputTimeLocked(), system.input.cursor};
    postLocked(*window, message, true);
}

BOOL WINAPI TranslateMessage(const MSG* message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_KEYUP)) return FALSE;
    if (message->message == WM_KEYDOWN) {
        if (WCHAR typed = typedCharacter(message->wParam)) {
            PostMessageW(message->hwnd, WM_CHAR, typed, message->lParam);
        }
    }
    return TRUE;
}

namespace platform::testing {

void mouseMove(HWND window, int x, int y) { injectMouse(window, x, y, 0, false, WM_MOUSEMOVE); }

void mouseDown(HWND window, MouseButton button, int x, int y) {
    injectMouse(window, x, y, buttonKey(button), true, downMessage(button));
}

void mouseUp(HWND window, MouseButton button, int x, int y) {
    injectMouse(window, x, y, buttonKey(button), false, downMessage(button) + 1);
}

void doubleClick(HWND window, MouseButton button, int x, int y) {
    mouseDown(window, button, x, y);
    mouseUp(window, button, x, y);
    mouseDown(window, button, x, y);
    mouseUp(window, button, x, y);
}

void keyDown(BYTE virtualKey) { keybd_event(virtualKey, 0, 0, 0); }

void keyUp(BYTE virtualKey) { keybd_event(virtualKey, 0, KEYEVENTF_KEYUP, 0); }

void advanceInputClock(DWORD milliseconds) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    windowSystem().inputClockOffset += milliseconds;
}

void resetInputState() {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    WindowSystem& system = windowSystem();
    system.input = InputState{};
    system.lastPress = {};
}

}  // namespace platform::testing
