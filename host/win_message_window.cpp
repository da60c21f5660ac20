#include "host/win_message_window.h"

#include "host/framework_log.h"
#include "host/module_attach.h"
#include "platform/base/win_error.h"

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

namespace FB {

namespace {

std::atomic<uint32_t> g_windowCounter{0};

// Asks the owner thread to destroy a window whose object went on another thread.
constexpr UINT kCloseWindowMessage = WM_USER + 2;

std::recursive_mutex& mapLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::map<HWND, WinMessageWindow*>& windowMap() {
    static std::map<HWND, WinMessageWindow*> map;
    return map;
}

// The record a message 1025 carries, back with an owner: run by the window's handler, or freed
// unrun by the closing paths.
std::unique_ptr<AsyncCallRecord> takeRecord(LPARAM lParam) {
    return std::unique_ptr<AsyncCallRecord>(reinterpret_cast<AsyncCallRecord*>(lParam));
}

// Frees the calls still queued for the window, unrun, and destroys it. On the owner thread.
void closeWindow(HWND hwnd) {
    MSG message{};
    while (PeekMessageW(&message, hwnd, kAsyncCallMessage, kAsyncCallMessage, PM_REMOVE)) {
        takeRecord(message.lParam);
    }
    DestroyWindow(hwnd);
}

// A message for a window whose object is gone, the window waiting for its owner thread to
// destroy it: a call that still arrives is freed unrun, and the close request is carried out.
LRESULT closingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kAsyncCallMessage:
            takeRecord(lParam);
            return 0;
        case kCloseWindowMessage:
            closeWindow(hwnd);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

uint32_t WinMessageWindow::windowCounter() { return g_windowCounter.load(); }

WinMessageWindow::WinMessageWindow() {
    const std::wstring number = std::to_wstring(g_windowCounter.fetch_add(1));
    const std::wstring windowName = L"PluginEventWindow" + number;
    const std::wstring className = L"FBEventWindow" + number;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.lpfnWndProc = &WinMessageWindow::windowProc;
    windowClass.hInstance = moduleHandle;
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("Could not register window class");
    }
    m_hwnd = CreateWindowExW(0, className.c_str(), windowName.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             moduleHandle, nullptr);
    if (!m_hwnd) throw std::runtime_error("Could not create Message Window");
    std::lock_guard<std::recursive_mutex> guard(mapLock());
    windowMap()[m_hwnd] = this;
    m_handler = &WinMessageWindow::defaultHandler;
}

WinMessageWindow::~WinMessageWindow() {
    {
        std::lock_guard<std::recursive_mutex> guard(mapLock());
        windowMap().erase(m_hwnd);
    }
    // From here on nothing reaches this object: the window procedure frees the calls that still
    // arrive, and only the owner thread may destroy the window.
    if (std::this_thread::get_id() == m_ownerThread) {
        closeWindow(m_hwnd);
    } else {
        // Refused only when the owner thread has ended, which took its windows with it.
        PostMessageW(m_hwnd, kCloseWindowMessage, 0, 0);
    }
}

bool WinMessageWindow::postCall(void (*fn)(void*), void* userData) {
    auto record = std::make_unique<AsyncCallRecord>(AsyncCallRecord{fn, userData});
    if (!PostMessageW(m_hwnd, kAsyncCallMessage, 0, reinterpret_cast<LPARAM>(record.get()))) return false;
    record.release();  // the message carries it now; takeRecord gives it its next owner
    return true;
}

LRESULT CALLBACK WinMessageWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Handler handler;
    {
        // Copied under the lock, which the destructor takes before the object goes; the lock is
        // not held while the handler runs, as a posted call may make or destroy windows.
        std::lock_guard<std::recursive_mutex> guard(mapLock());
        auto found = windowMap().find(hwnd);
        if (found != windowMap().end()) handler = found->second->m_handler;
    }
    if (!handler) return closingWindowProc(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    if (handler(hwnd, message, wParam, lParam, result)) return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool WinMessageWindow::defaultHandler(HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != kAsyncCallMessage) return false;
    frameworkLog("PluginWindow", "Running async function call");
    const std::unique_ptr<AsyncCallRecord> record = takeRecord(lParam);
    if (record && record->fn) record->fn(record->userData);
    result = 0;
    return true;
}

}  // namespace FB
