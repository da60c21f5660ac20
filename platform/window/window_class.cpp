#include "platform/window/window_system.h"

#include "platform/base/win_error.h"

#include <cwctype>

namespace {

using namespace platform::detail;

// Class names compare without regard to case, as the original's do.
std::wstring classKey(LPCWSTR name) {
    std::wstring key(name);
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return key;
}

bool validName(LPCWSTR name) { return name && !IS_INTRESOURCE(name) && name[0] != L'\0'; }

}  // namespace

namespace platform::detail {

std::shared_ptr<WindowClass> findClassLocked(LPCWSTR name) {
    if (!validName(name)) return nullptr;
    WindowSystem& system = windowSystem();
    auto found = system.classes.find(classKey(name));
    return found == system.classes.end() ? nullptr : found->second;
}

}  // namespace platform::detail

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXW) || !validName(windowClass->lpszClassName) ||
        !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    std::wstring key = classKey(windowClass->lpszClassName);
    if (system.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto entry = std::make_shared<WindowClass>();
    entry->name = windowClass->lpszClassName;
    entry->style = windowClass->style;
    entry->procedure = windowClass->lpfnWndProc;
    entry->instance = windowClass->hInstance;
    entry->cursor = windowClass->hCursor;
    entry->background = windowClass->hbrBackground;
    entry->atom = system.nextAtom++;
    system.classes.emplace(std::move(key), entry);
    return entry->atom;
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    auto entry = findClassLocked(className);
    if (!entry) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (entry->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    system.classes.erase(classKey(className));
    return TRUE;
}
