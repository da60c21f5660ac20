#include "platform/base/kernel_object.h"
#include "platform/window/window_system.h"
#include "platform/base/win_error.h"

#include <algorithm>

using namespace platform::detail;

namespace {

int usedOrZero(int value) { return value == CW_USEDEFAULT ? 0 : clampWindowPosition(value); }

int sizeOrZero(int value) { return value == CW_USEDEFAULT ? 0 : clampWindowSide(value); }

// Links a new window to its parent (WS_CHILD) or owner. False when the given window is unknown.
bool linkWindowLocked(Window& window, HWND parent, HMENU menu) {
    if (parent == HWND_MESSAGE) {
        window.messageOnly = true;
        return true;
    }
    if (!parent) return true;
    auto parentWindow = requireWindowLocked(parent);
    if (!parentWindow) return false;
    if (window.style & WS_CHILD) {
        window.parent = parent;
        window.id = reinterpret_cast<LONG_PTR>(menu);
        parentWindow->children.push_back(window.handle);
    } else {
        // The owner of a top-level window is always a top-level window: the one the given
        // window belongs to.
        while (parentWindow->parent) {
            auto above = findWindowLocked(parentWindow->parent);
            if (!above) break;
            parentWindow = above;
        }
        window.owner = parentWindow->handle;
    }
    return true;
}

// Owned windows of the same thread, oldest first.
std::vector<HWND> ownedWindowsLocked(HWND owner, const std::shared_ptr<ThreadQueue>& queue) {
    std::vector<HWND> owned;
    for (auto& [handle, window] : windowSystem().windows) {
        if (window->owner == owner && window->queue == queue) owned.push_back(handle);
    }
    std::sort(owned.begin(), owned.end(),
              [](HWND a, HWND b) { return reinterpret_cast<uintptr_t>(a) < reinterpret_cast<uintptr_t>(b); });
    return owned;
}

// When the focus is in the window that goes (itself or one of its children), the focus goes too,
// and the window that had it hears WM_KILLFOCUS before anything is destroyed.
void takeFocusFromLocked(std::unique_lock<std::mutex>& lock, HWND going) {
    WindowSystem& system = windowSystem();
    HWND focus = system.focus;
    auto inside = findWindowLocked(focus);
    while (inside && inside->handle != going) inside = findWindowLocked(inside->parent);
    if (!inside) return;
    system.focus = nullptr;
    lock.unlock();
    sendNotify(focus, WM_KILLFOCUS, 0, 0);
    lock.lock();
}

// Takes its own copy: the lists it comes from change as each window goes.
void destroyEachUnlocked(std::unique_lock<std::mutex>& lock, std::vector<HWND> windows) {
    lock.unlock();
    for (HWND window : windows) DestroyWindow(window);
    lock.lock();
}

}  // namespace

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    auto queue = currentQueue();
    WindowSystem& system = windowSystem();
    std::unique_lock<std::mutex> lock(system.lock);
    auto windowClass = findClassLocked(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if ((style & WS_CHILD) && (!parent || parent == HWND_MESSAGE)) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    auto window = std::make_shared<Window>();
    window->handle = reinterpret_cast<HWND>(nextHandleValue());
    window->surface->window = window->handle;
    window->windowClass = windowClass;
    window->queue = queue;
    window->procedure = windowClass->procedure;
    window->instance = instance;
    window->style = style;
    window->exStyle = exStyle;
    window->title = windowName ? windowName : L"";
    if (!linkWindowLocked(*window, parent, menu)) return nullptr;
    window->rect.left = usedOrZero(x);
    window->rect.top = usedOrZero(y);
    window->rect.right = window->rect.left + sizeOrZero(width);
    window->rect.bottom = window->rect.top + sizeOrZero(height);
    {
        std::lock_guard<std::mutex> surfaceLock(window->surface->lock);
        window->surface->resizeLocked(sizeOrZero(width), sizeOrZero(height));
    }
    bool visible = (style & WS_VISIBLE) && !window->messageOnly;
    window->needsPaint = visible;
    window->needsErase = visible;
    if (visible) queue->wake.notify_all();  // a loop hosting the thread learns there is a paint due
    windowClass->windowCount += 1;
    HWND handle = window->handle;
    system.windows.emplace(handle, window);

    CREATESTRUCTW create{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    LPARAM createParam = reinterpret_cast<LPARAM>(&create);
    bool created = callProcedureUnlocked(lock, window->procedure, handle, WM_NCCREATE, 0, createParam) != 0 &&
                   findWindowLocked(handle) &&
                   callProcedureUnlocked(lock, window->procedure, handle, WM_CREATE, 0, createParam) != -1 &&
                   findWindowLocked(handle);  // not destroyed by its own WM_CREATE
    if (!created) {
        lock.unlock();
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return handle;
}

BOOL WINAPI DestroyWindow(HWND handle) {
    auto queue = currentQueue();
    WindowSystem& system = windowSystem();
    std::unique_lock<std::mutex> lock(system.lock);
    auto window = requireWindowLocked(handle);
    if (!window) return FALSE;
    if (window->queue != queue) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (window->destroying) return TRUE;  // a procedure destroying its window again while it goes
    window->destroying = true;

    destroyEachUnlocked(lock, ownedWindowsLocked(handle, queue));
    takeFocusFromLocked(lock, handle);
    callProcedureUnlocked(lock, window->procedure, handle, WM_DESTROY, 0, 0);
    destroyEachUnlocked(lock, window->children);
    callProcedureUnlocked(lock, window->procedure, handle, WM_NCDESTROY, 0, 0);
    forgetWindowLocked(*window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND handle) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    return findWindowLocked(handle) ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND handle) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    auto window = requireWindowLocked(handle);
    if (!window) return nullptr;
    return window->parent ? window->parent : window->owner;
}

LRESULT WINAPI CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

int WINAPI GetWindowTextW(HWND handle, LPWSTR text, int maxCount) {
    if (!text || maxCount <= 0) return 0;
    text[0] = L'\0';
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    auto window = requireWindowLocked(handle);
    if (!window) return 0;
    const size_t copied = std::min(window->title.size(), static_cast<size_t>(maxCount) - 1);
    std::copy_n(window->title.begin(), copied, text);
    text[copied] = L'\0';
    return static_cast<int>(copied);
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND handle, int index) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    auto window = requireWindowLocked(handle);
    if (!window) return 0;
    switch (index) {
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(window->procedure);
        case GWLP_USERDATA:
            return window->userData;
        case GWLP_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(window->instance);
        case GWLP_ID:
            return window->id;
        case GWL_STYLE:
            return static_cast<LONG>(window->style);
        case GWL_EXSTYLE:
            return static_cast<LONG>(window->exStyle);
        default:
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
    }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    auto window = requireWindowLocked(handle);
    if (!window) return 0;
    // A previous value of 0 is told from a failure by the last error, so clear it first.
    SetLastError(ERROR_SUCCESS);
    LONG_PTR previous = 0;
    switch (index) {
        case GWLP_WNDPROC:
            previous = reinterpret_cast<LONG_PTR>(window->procedure);
            window->procedure = reinterpret_cast<WNDPROC>(value);
            return previous;
        case GWLP_USERDATA:
            previous = window->userData;
            window->userData = value;
            return previous;
        case GWLP_ID:
            previous = window->id;
            window->id = value;
            return previous;
        case GWL_STYLE:
            previous = static_cast<LONG>(window->style);
            window->style = static_cast<DWORD>(value);
            return previous;
        case GWL_EXSTYLE:
            previous = static_cast<LONG>(window->exStyle);
            window->exStyle = static_cast<DWORD>(value);
            return previous;
        default:
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
    }
}
