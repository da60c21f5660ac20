// One plug-in instance as the bridge keeps it: the windows it made for it in the platform
// stand-in (the browser's window and, inside it, the plug-in's own, handed over as a windowed
// NPWindow), the picture of that window the page shows, and the X side of painting it into the
// page and of taking input from it. Browser's main thread only, except the picture.
#pragma once

#include "tools/desktop_bridge/window_picture.h"
#include "tools/desktop_bridge/x11_plugin_records.h"
#include "tools/desktop_bridge/x_picture_writer.h"

#include "platform/npapi/npfunctions.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace desktop {

class PaintTiming;

class BridgeInstance {
public:
    // Makes the browser's window of the instance. askRepaint asks the browser, later and on its main
    // thread, to paint the instance's rectangle again.
    BridgeInstance(NPP instance, uintptr_t serial, const NPPluginFuncs& plugin, PaintTiming& timing,
                   std::function<void()> askRepaint);
    ~BridgeInstance();  // destroys the windows
    BridgeInstance(const BridgeInstance&) = delete;
    BridgeInstance& operator=(const BridgeInstance&) = delete;

    // Places (and first makes) the plug-in's window where the browser's windowless rectangle is,
    // and hands it to the plug-in.
    NPError setWindow(const X11PluginWindow& window);
    // Tells the plug-in its window is going away, as the browser does before it ends an instance:
    // the plug-in stops using the window (and stops playing).
    void detachWindow();
    // Paint and input events of the plug-in's rectangle; 1 when the event was the bridge's.
    int16_t handleEvent(const XEvent& event);

    NPP instance() const { return instance_; }
    uintptr_t serial() const { return serial_; }
    HWND browserWindow() const { return browserWindow_; }
    // The X display the page is shown on, once the browser told.
    Display* display() const { return display_.display; }
    HWND pluginWindow() const { return pluginWindow_; }
    // The picture the page shows; null until the plug-in's window exists.
    const std::shared_ptr<WindowPicture>& picture() const { return picture_; }

private:
    void paint(const XGraphicsExposeEvent& event);

    const NPP instance_;
    const uintptr_t serial_;
    const NPPluginFuncs& plugin_;
    PaintTiming& timing_;
    const std::function<void()> askRepaint_;
    HWND browserWindow_ = nullptr;
    HWND pluginWindow_ = nullptr;
    NPWindow windowRecord_{};  // stays put: the plug-in may keep the pointer it was given
    std::shared_ptr<WindowPicture> picture_;
    X11DisplayDetails display_{};
    XPictureWriter writer_;
};

}  // namespace desktop
