// The application's plug-in object, one per plug-in instance on a page whichever binding hosts it.
// It owns the page's scripting object and routes the plug-in window's events to it and to the
// camera view: mouse input, the window's arrival and departure, raw window messages. It is always
// windowed. Main thread.
#pragma once

#include "host/plugin_core.h"

#include <memory>

namespace FB {
class AttachedEvent;
class DetachedEvent;
class MouseDoubleClickEvent;
class MouseDownEvent;
class MouseMoveEvent;
class MouseUpEvent;
class PluginWindow;
class WindowsEvent;
}  // namespace FB

class VeltrinAPI;

class Veltrin : public FB::PluginCore {
public:
    Veltrin() = default;
    ~Veltrin() override;

    // The event map: window events from a plug-in window go to the handlers below; any other event
    // or source is not handled.
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;
    void handleReady() override {}
    void shutdown() override {}
    // The one scripting object of the plug-in, made on the first call.
    FB::JSAPIPtr makeScriptingObject() override;
    bool answersWindowless() override { return false; }

    virtual bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window);
    virtual bool onMouseDoubleClickEvent(FB::MouseDoubleClickEvent* event, FB::PluginWindow* window);
    virtual bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window);
    virtual bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window);
    virtual bool handleWindowAttached(FB::AttachedEvent* event, FB::PluginWindow* window);
    virtual bool handleWindowDetached(FB::DetachedEvent* event, FB::PluginWindow* window);
    virtual bool onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window);

private:
    std::shared_ptr<VeltrinAPI> api_;
};
