#include "host/win_message_window.h"

#include "host/framework_log.h"
#include "host/module_attach.h"
#include "platform/win_error.h"

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

namespace FB {

namespace {

std::atomic<uint32_t> g_windowCounter{0};

std::recursive_mutex& mapLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::map<HWND, WinMessageWindow*>& windowMap() {
    static std::map<HWND, WinMessageWindow*> map;
    return map;
}

WinMessageWindow* findWindow(HWND hwnd) {
    std::lock_guard<std::recursive_mutex> guard(mapLock());
    auto found = windowMap().find(hwnd);
    return found == windowMap().end() ? nullptr : found->second;
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
    m_hwnd = CreateWindowExW(0, className.c_str(), windowName.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, moduleHandle, nullptr);
    if (!m_hwnd) throw std::runtime_error("Could not create Message Window");
    std::lock_guard<std::recursive_mutex> guard(mapLock());
    windowMap()[m_hwnd] = this;
    m_handler = &WinMessageWindow::defaultHandler;
}

WinMessageWindow::~WinMessageWindow() {
    {
        std::lock_guard<std::recursive_mutex> guard(mapLock());
        windowMap().erase(m_hwnd);
        // Calls still queued for this window will never be delivered: free their records.
        MSG message{};
        while (PeekMessageW(&message, m_hwnd, kAsyncCallMessage, kAsyncCallMessage, PM_REMOVE)) {
            delete reinterpret_cast<AsyncCallRecord*>(message.lParam);
        }
        DestroyWindow(m_hwnd);
    }
    m_handler = nullptr;
}

bool WinMessageWindow::postCall(void (*fn)(void*), void* userData) {
    auto* record = new AsyncCallRecord{fn, userData};
    if (PostMessageW(m_hwnd, kAsyncCallMessage, 0, reinterpret_cast<LPARAM>(record))) return true;
    delete record;
    return false;
}

LRESULT CALLBACK WinMessageWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The lock is not held while a handler runs: a posted call may make or destroy windows.
    if (WinMessageWindow* window = findWindow(hwnd)) {
        // A copy: the call may destroy this window, and with it the handler.
        Handler handler = window->m_handler;
        LRESULT result = 0;
        if (handler && handler(hwnd, message, wParam, lParam, result)) return result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool WinMessageWindow::defaultHandler(HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != kAsyncCallMessage) return false;
    frameworkLog("PluginWindow", "Running async function call");
    std::unique_ptr<AsyncCallRecord> record(reinterpret_cast<AsyncCallRecord*>(lParam));
    if (record && record->fn) record->fn(record->userData);
    result = 0;
    return true;
}

}  // namespace FB
