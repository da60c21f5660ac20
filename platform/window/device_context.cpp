#include "platform/window/device_context.h"

#include "platform/base/kernel_object.h"
#include "platform/base/win_error.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_window.h"

#include <unordered_map>
#include <vector>

using namespace platform::detail;

namespace {

using ContextMap = std::unordered_map<HDC, std::shared_ptr<DeviceContext>>;

// Renderers take and release a context for every frame; released entries are kept and reused so
// that this allocates nothing once warm. Handles are still new each time.
struct ContextTable {
    std::mutex lock;
    ContextMap contexts;
    std::vector<ContextMap::node_type> released;
};

constexpr size_t kKeptReleasedContexts = 16;

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

std::shared_ptr<Surface> windowSurfaceOnScreen(HWND handle, POINT* origin) {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    auto window = findWindowLocked(handle);
    if (!window) return nullptr;
    *origin = screenOriginLocked(*window);
    return window->surface;
}

}  // namespace platform::detail

HDC WINAPI GetDC(HWND window) {
    std::shared_ptr<Surface> surface;
    if (window && !(surface = windowSurface(window))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HDC handle = reinterpret_cast<HDC>(nextHandleValue());
    ContextTable& table = contextTable();
    std::lock_guard<std::mutex> lock(table.lock);
    std::shared_ptr<DeviceContext>* context = nullptr;
    if (table.released.empty()) {
        context = &table.contexts.emplace(handle, std::make_shared<DeviceContext>()).first->second;
    } else {
        ContextMap::node_type entry = std::move(table.released.back());
        table.released.pop_back();
        entry.key() = handle;
        context = &table.contexts.insert(std::move(entry)).position->second;
    }
    (*context)->window = window;
    (*context)->surface = std::move(surface);
    (*context)->textAlign = 0;
    (*context)->stretchMode = BLACKONWHITE;
    return handle;
}

int WINAPI ReleaseDC(HWND, HDC deviceContext) {
    ContextTable& table = contextTable();
    std::lock_guard<std::mutex> lock(table.lock);
    ContextMap::node_type entry = table.contexts.extract(deviceContext);
    if (!entry) return 0;
    // Kept only when no drawing call still holds the context (they take their share under this
    // lock); a kept one lets its surface go at once, as the window may be gone.
    if (entry.mapped().use_count() == 1 && table.released.size() < kKeptReleasedContexts) {
        entry.mapped()->surface.reset();
        table.released.push_back(std::move(entry));
    }
    return 1;
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
