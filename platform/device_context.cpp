#include "platform/device_context.h"

#include "platform/kernel_object.h"
#include "platform/win_error.h"
#include "platform/win_gdi.h"
#include "platform/win_window.h"

#include <unordered_map>

using namespace platform::detail;

namespace {

struct ContextTable {
    std::mutex lock;
    std::unordered_map<HDC, std::shared_ptr<DeviceContext>> contexts;
};

ContextTable& contextTable() {
    static ContextTable* table = new ContextTable;
    return *table;
}

}  // namespace

namespace platform::detail {

std::shared_ptr<DeviceContext> findDeviceContext(HDC deviceContext) {
    ContextTable& table = contextTable();
    std::lock_guard<std::mutex> lock(table.lock);
    auto found = table.contexts.find(deviceContext);
    return found == table.contexts.end() ? nullptr : found->second;
}

std::shared_ptr<Surface> windowSurface(HWND handle) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = findWindowLocked(handle);
    return window ? window->surface : nullptr;
}

}  // namespace platform::detail

HDC WINAPI GetDC(HWND window) {
    auto context = std::make_shared<DeviceContext>();
    if (window) {
        context->surface = windowSurface(window);
        if (!context->surface) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        context->window = window;
    }
    HDC handle = reinterpret_cast<HDC>(nextHandleValue());
    ContextTable& table = contextTable();
    std::lock_guard<std::mutex> lock(table.lock);
    table.contexts.emplace(handle, std::move(context));
    return handle;
}

int WINAPI ReleaseDC(HWND, HDC deviceContext) {
    ContextTable& table = contextTable();
    std::lock_guard<std::mutex> lock(table.lock);
    return table.contexts.erase(deviceContext) ? 1 : 0;
}

HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    if (!paint) return nullptr;
    bool erase = false;
    RECT client{};
    {
        std::lock_guard<std::mutex> lock(windowSystem().lock);
        auto window = requireWindowLocked(handle);
        if (!window) return nullptr;
        window->needsPaint = false;
        erase = window->needsErase;
        window->needsErase = false;
        client = RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
    }
    HDC deviceContext = GetDC(handle);
    *paint = PAINTSTRUCT{};
    paint->hdc = deviceContext;
    paint->rcPaint = client;
    paint->fErase = erase && SendMessageW(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(deviceContext), 0) == 0;
    return deviceContext;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint) ReleaseDC(window, paint->hdc);
    return TRUE;
}

UINT WINAPI SetTextAlign(HDC deviceContext, UINT align) {
    auto context = findDeviceContext(deviceContext);
    if (!context) return GDI_ERROR;
    return context->textAlign.exchange(align);
}
