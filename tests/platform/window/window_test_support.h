// A recording window class for the window-system tests: every message a window of it receives is
// logged with the receiving thread, and a per-test hook may answer messages itself.
#pragma once

#include "platform/window/win_input_testing.h"
#include "platform/thread/win_thread.h"
#include "platform/window/win_window.h"
#include "platform/window/win_window_testing.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace windowtest {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
};

// Answers a message itself by returning true and setting the result.
using MessageHook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

// What every window of the class received, and the hook; shared by the threads of a test.
inline std::mutex recordLock;
inline std::vector<Received> records;
inline MessageHook messageHook;

inline LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MessageHook hook;
    {
        std::lock_guard<std::mutex> lock(recordLock);
        records.push_back({window, message, wParam, lParam, GetCurrentThreadId()});
        hook = messageHook;
    }
    LRESULT result = 0;
    if (hook && hook(window, message, wParam, lParam, result)) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

// What a window received, in order; with no message given, all but what the window system sends
// around creation, focus and input, so that tests see what they caused.
inline std::vector<Received> receivedOf(HWND window, UINT message = WM_NULL) {
    std::lock_guard<std::mutex> lock(recordLock);
    std::vector<Received> found;
    for (const Received& r : records) {
        bool housekeeping = r.message == WM_NCCREATE || r.message == WM_CREATE || r.message == WM_SETCURSOR ||
                            r.message == WM_MOUSEACTIVATE || r.message == WM_SETFOCUS || r.message == WM_KILLFOCUS;
        if (r.window == window && (message ? r.message == message : !housekeeping)) found.push_back(r);
    }
    return found;
}

inline std::vector<UINT> messagesOf(HWND window) {
    std::vector<UINT> messages;
    for (const Received& r : receivedOf(window)) messages.push_back(r.message);
    return messages;
}

// Each test registers its own class (names are not reused), and destroys its windows at the end.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        className_ = L"RecordingWindow" + std::to_wstring(serial++);
        registerClass(className_, CS_DBLCLKS);
        platform::testing::setTimersFollowClock(false);
        platform::testing::resetInputState();
        std::lock_guard<std::mutex> lock(recordLock);
        records.clear();
        messageHook = nullptr;
    }

    void TearDown() override {
        setHook(nullptr);
        for (HWND window : created_) DestroyWindow(window);
        platform::testing::pumpPendingMessages();
        platform::testing::setTimersFollowClock(true);
        SetFocus(nullptr);
    }

    static void registerClass(const std::wstring& name, UINT style, WNDPROC procedure = recordingProc,
                              HCURSOR cursor = nullptr, HBRUSH background = nullptr) {
        WNDCLASSEXW windowClass{sizeof(WNDCLASSEXW), style,   procedure,    0,      0, nullptr, nullptr, cursor,
                                background,          nullptr, name.c_str(), nullptr};
        ASSERT_NE(RegisterClassExW(&windowClass), 0);
    }

    HWND create(DWORD style = WS_VISIBLE, HWND parent = nullptr, RECT rect = {0, 0, 100, 50},
                const std::wstring& className = L"") {
        HWND window = CreateWindowExW(0, (className.empty() ? className_ : className).c_str(), L"test", style,
                                      rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                      nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        created_.push_back(window);
        return window;
    }

    static void setHook(MessageHook hook) {
        std::lock_guard<std::mutex> lock(recordLock);
        messageHook = std::move(hook);
    }

    std::wstring className_;
    std::vector<HWND> created_;
};

}  // namespace windowtest
