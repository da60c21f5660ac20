#include "tests/support/activex_container/container_window.h"

#include <mutex>
#include <set>
#include <string>

namespace test_support {

HWND createContainerWindow(const wchar_t* className, UINT classStyle, DWORD style, int width, int height, HWND parent) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (registered.insert(className).second) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.style = classStyle;
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = className;
            RegisterClassExW(&windowClass);
        }
    }
    return CreateWindowExW(0, className, L"", style, 0, 0, width, height, parent, nullptr, nullptr, nullptr);
}

}  // namespace test_support
