#include "tests/support/page_engine/message_window.h"

#include <mutex>
#include <set>
#include <string>

namespace test_support {

HWND createMessageWindow(const wchar_t* className, WNDPROC procedure, void* owner) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (registered.insert(className).second) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = procedure;
            windowClass.lpszClassName = className;
            RegisterClassExW(&windowClass);
        }
    }
    HWND window = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

void destroyMessageWindow(HWND window) {
    if (!window) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

}  // namespace test_support
