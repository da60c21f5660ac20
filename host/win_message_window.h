// A hidden message-only window on the browser's main thread whose only job is to carry posted
// calls there: a poster allocates an AsyncCallRecord and posts message 1025 with its address, and
// the window procedure runs the call and frees the record.
#pragma once

#include "host/async_call_record.h"
#include "platform/window/win_window.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace FB {

class WinMessageWindow {
public:
    using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

    // Made on the thread that is to run the posted calls (the browser's main thread), which owns
    // the window. Throws std::runtime_error "Could not register window class" or "Could not
    // create Message Window".
    WinMessageWindow();
    // May run on any thread: the last reference to a host can go on a worker. Records still
    // queued for the window are freed without being run. The window itself is destroyed on its
    // owner thread: at once when this runs there, otherwise by that thread's message loop.
    ~WinMessageWindow();
    WinMessageWindow(const WinMessageWindow&) = delete;
    WinMessageWindow& operator=(const WinMessageWindow&) = delete;

    HWND getHWND() const { return m_hwnd; }
    // Allocates a record and posts it; false (nothing allocated remains) when the post fails.
    bool postCall(void (*fn)(void*), void* userData);

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool defaultHandler(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static uint32_t windowCounter();

private:
    HWND m_hwnd = nullptr;
    Handler m_handler;
    std::thread::id m_ownerThread = std::this_thread::get_id();
};

}  // namespace FB
