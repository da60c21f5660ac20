#include "tests/support/page_engine/message_window.h"

#include <mutex>
#include <set>
#include <string>

namespace test_support {

HWND createClassWindow(const wchar_t* className, UINT classStyle, WNDPROC procedure, DWORD style, int width, int height,
                       HWND parent) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (registered.insert(className).second) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.style = classStyle;
            windowClass.lpfnWndProc = procedure;
            windowClass.lpszClassName = className;
            RegisterClassExW(&windowClass);
        }
    }
    return CreateWindowExW(0, className, L"", style, 0, 0, width, height, parent, nullptr, nullptr, nullptr);
}

HWND createMessageWindow(const wchar_t* className, WNDPROC procedure, void* owner) {
    HWND window = createClassWindow(className, 0, procedure, 0, 0, 0, HWND_MESSAGE);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

void destroyMessageWindow(HWND window) {
    if (!window) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

}  // namespace test_support
