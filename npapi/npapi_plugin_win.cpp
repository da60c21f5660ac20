#include "npapi/npapi_plugin_win.h"

#include "host/factory_base.h"
#include "host/module_attach.h"
#include "host/plugin_core.h"
#include "host/plugin_window_win.h"
#include "host/plugin_windowless_win.h"
#include "host/window_context.h"
#include "platform/window/win_window.h"

#include <limits>

namespace FB::Npapi {

namespace {

Rect frameworkRect(const RECT& rect) { return Rect{rect.top, rect.left, rect.bottom, rect.right}; }

bool isDetach(const NPWindow* window) { return !window || (!window->window && window->type != NPWindowTypeDrawable); }

}  // namespace

std::shared_ptr<NpapiPlugin> makeWindowsNpapiPlugin(const NpapiBrowserHostPtr& host, const std::string& mimetype) {
    return std::make_shared<NpapiPluginWin>(host, mimetype);
}

NpapiPluginWin::NpapiPluginWin(const NpapiBrowserHostPtr& host, const std::string& mimetype)
    : NpapiPlugin(host, mimetype) {
    PluginCore::setPlatform("Windows", "NPAPI");
    setPluginPath(modulePath);
}

NpapiPluginWin::~NpapiPluginWin() { clearWindow(); }

void NpapiPluginWin::clearWindow() {
    if (!m_pluginWindow) return;
    if (m_pluginCore) m_pluginCore->ClearWindow();
    m_pluginWindow.reset();
}

HWND NpapiPluginWin::browserWindow() const {
    HWND browser = nullptr;
    m_npHost->GetValue(NPNVnetscapeWindow, &browser);
    return browser;
}

NPError NpapiPluginWin::SetWindow(NPWindow* window) {
    if (isDetach(window)) {
        clearWindow();
        return NPERR_NO_ERROR;
    }
    if (!m_pluginCore->answersWindowless()) return setWindowed(window);
    setWindowless(window);
    return NPERR_NO_ERROR;
}

// The same window handle again changes nothing: size changes reach the wrapper as the window's
// own messages.
NPError NpapiPluginWin::setWindowed(NPWindow* window) {
    const HWND hwnd = static_cast<HWND>(window->window);
    auto* windowed = dynamic_cast<PluginWindowWin*>(m_pluginWindow.get());
    if (m_pluginWindow && (!windowed || windowed->getHWND() != hwnd)) clearWindow();
    if (m_pluginWindow) return NPERR_NO_ERROR;
    if (!IsWindow(hwnd)) return NPERR_INVALID_PARAM;
    const HWND browser = browserWindow();
    std::unique_ptr<PluginWindowWin> wrapper(sharedFactory()->makeWindowedWrapper(WindowContextWindowed(hwnd)));
    wrapper->setBrowserHWND(browser);
    m_pluginWindow = std::move(wrapper);
    m_pluginCore->SetWindow(m_pluginWindow.get());
    return NPERR_NO_ERROR;
}

void NpapiPluginWin::setWindowless(NPWindow* window) {
    if (m_pluginWindow && !dynamic_cast<PluginWindowlessWin*>(m_pluginWindow.get())) clearWindow();
    auto place = [window](PluginWindowlessWin& windowless) {
        windowless.setWindowPosition(window->x, window->y, static_cast<int32_t>(window->width),
                                     static_cast<int32_t>(window->height));
        windowless.setClipRect(window->clipRect.top, window->clipRect.left, window->clipRect.bottom,
                               window->clipRect.right);
    };
    if (auto* windowless = static_cast<PluginWindowlessWin*>(m_pluginWindow.get())) {
        place(*windowless);
        return;
    }
    std::unique_ptr<PluginWindowlessWin> wrapper(
        sharedFactory()->makeWindowlessWrapper(WindowContextWindowless(nullptr)));
    wrapper->setBrowserHWND(browserWindow());
    place(*wrapper);
    wrapper->setInvalidateWindowFunc(
        [this](int left, int top, int right, int bottom) { invalidateWindow(left, top, right, bottom); });
    m_pluginWindow = std::move(wrapper);
    m_pluginCore->SetWindow(m_pluginWindow.get());
}

void NpapiPluginWin::invalidateWindow(int left, int top, int right, int bottom) {
    NPRect rect{static_cast<uint16_t>(top), static_cast<uint16_t>(left), static_cast<uint16_t>(bottom),
                static_cast<uint16_t>(right)};
    const NpapiBrowserHostPtr host = m_npHost;
    if (host->onMainThread()) {
        host->InvalidateRect(&rect);
        return;
    }
    host->queueOnMainThread(host, [host, rect] { host->InvalidateRect2(rect); });
}

// A windowless instance's window messages; a windowed one handles its own.
int16_t NpapiPluginWin::HandleEvent(void* event) {
    auto* windowless = dynamic_cast<PluginWindowlessWin*>(m_pluginWindow.get());
    if (!windowless || !event) return 0;
    const auto* message = static_cast<const NPEvent*>(event);
    if (message->event == WM_PAINT) {
        const auto* paintRect = reinterpret_cast<const RECT*>(message->lParam);
        const Rect bounds = paintRect ? frameworkRect(*paintRect) : windowless->windowRect();
        return windowless->handleDraw(reinterpret_cast<HDC>(message->wParam), bounds) ? 1 : 0;
    }
    LRESULT result = 0;
    if (!windowless->HandleEvent(message->event, message->wParam, static_cast<LPARAM>(message->lParam), result)) {
        return 0;
    }
    // The browser reads the answer as handled or not: a result too wide for it still says handled.
    if (result < std::numeric_limits<int16_t>::min() || result > std::numeric_limits<int16_t>::max()) return 1;
    return static_cast<int16_t>(result);
}

}  // namespace FB::Npapi
