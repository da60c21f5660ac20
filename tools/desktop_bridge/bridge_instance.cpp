#include "tools/desktop_bridge/bridge_instance.h"

#include "tools/desktop_bridge/paint_timing.h"
#include "tools/desktop_bridge/x_input.h"

#include "platform/window/win_window.h"
#include "platform/window/win_window_testing.h"

#include <algorithm>
#include <mutex>

namespace desktop {

namespace {

constexpr const wchar_t* kBrowserWindowClass = L"VeltrinDesktopBrowser";
constexpr const wchar_t* kPluginWindowClass = L"VeltrinDesktopPlugin";

void registerWindowClasses() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        for (const wchar_t* name : {kBrowserWindowClass, kPluginWindowClass}) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            // A browser's plug-in window hears double clicks; the plug-in replaces its procedure.
            windowClass.style = CS_DBLCLKS;
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.lpszClassName = name;
            RegisterClassExW(&windowClass);
        }
    });
}

int side(uint32_t size) { return static_cast<int>(std::min<uint32_t>(size, 8192)); }

}  // namespace

BridgeInstance::BridgeInstance(NPP instance, uintptr_t serial, const NPPluginFuncs& plugin, PaintTiming& timing,
                               std::function<void()> askRepaint)
    : instance_(instance), serial_(serial), plugin_(plugin), timing_(timing), askRepaint_(std::move(askRepaint)) {
    registerWindowClasses();
    browserWindow_ = CreateWindowExW(0, kBrowserWindowClass, L"page", WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                     GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr);
}

BridgeInstance::~BridgeInstance() {
    if (pluginWindow_) DestroyWindow(pluginWindow_);
    if (browserWindow_) DestroyWindow(browserWindow_);
}

NPError BridgeInstance::setWindow(const X11PluginWindow& window) {
    if (window.displayDetails) {
        display_ = *static_cast<const X11DisplayDetails*>(window.displayDetails);
        if (display_.display) {
            // Full screen covers the X screen the page is shown on.
            const int screen = DefaultScreen(display_.display);
            platform::testing::setScreenSize(DisplayWidth(display_.display, screen),
                                             DisplayHeight(display_.display, screen));
        }
    }
    const int width = side(window.width);
    const int height = side(window.height);
    if (!pluginWindow_) {
        pluginWindow_ = CreateWindowExW(0, kPluginWindowClass, L"plugin", WS_CHILD | WS_VISIBLE, window.x, window.y,
                                        width, height, browserWindow_, nullptr, nullptr, nullptr);
        if (!pluginWindow_) return NPERR_GENERIC_ERROR;
        picture_ = std::make_shared<WindowPicture>(pluginWindow_);
    } else {
        MoveWindow(pluginWindow_, window.x, window.y, width, height, TRUE);
    }
    windowRecord_.window = pluginWindow_;
    windowRecord_.x = window.x;
    windowRecord_.y = window.y;
    windowRecord_.width = static_cast<uint32_t>(width);
    windowRecord_.height = static_cast<uint32_t>(height);
    windowRecord_.clipRect = window.clipRect;
    // The browser clips a view out of its window's sight to nothing, and paints none of it.
    picture_->setInSight(window.clipRect.right > window.clipRect.left && window.clipRect.bottom > window.clipRect.top);
    windowRecord_.type = NPWindowTypeWindow;
    return plugin_.setwindow ? plugin_.setwindow(instance_, &windowRecord_) : NPERR_NO_ERROR;
}

void BridgeInstance::detachWindow() {
    if (!pluginWindow_ || !plugin_.setwindow) return;
    windowRecord_.window = nullptr;
    plugin_.setwindow(instance_, &windowRecord_);
}

int16_t BridgeInstance::handleEvent(const XEvent& event) {
    if (event.type == GraphicsExpose) {
        paint(event.xgraphicsexpose);
        return 1;
    }
    if (!pluginWindow_) return 0;
    return forwardInput(pluginWindow_, event) ? 1 : 0;
}

void BridgeInstance::paint(const XGraphicsExposeEvent& event) {
    if (!picture_) return;
    const WindowPicture::Taken taken = picture_->takePicture();
    Display* display = event.display ? event.display : display_.display;
    Visual* visual =
        display_.visual ? display_.visual : (display ? DefaultVisual(display, DefaultScreen(display)) : nullptr);
    const unsigned depth = display_.depth
                               ? display_.depth
                               : (display ? static_cast<unsigned>(DefaultDepth(display, DefaultScreen(display))) : 0u);
    bool painted = false;
    bool blank = true;
    bool whole = false;
    picture_->withPicture([&](const uint32_t* pixels, int width, int height, uint64_t generation) {
        painted = writer_.put(display, event.drawable, visual, depth, pixels, width, height, generation,
                              PicturePart{event.x, event.y, event.width, event.height});
        whole = event.x <= 0 && event.y <= 0 && event.x + event.width >= width && event.y + event.height >= height;
        if (painted && timing_.waitsForFirstPicture()) blank = PaintTiming::isBlank(pixels, width, height);
    });
    if (painted) timing_.painted(taken.drawn, blank);
    // The next waiting picture, or the rest of a new one that only a part of the page showed.
    if (taken.moreWaiting || (taken.drawn && !whole)) askRepaint_();
}

}  // namespace desktop
