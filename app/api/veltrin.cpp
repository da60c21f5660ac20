#include "app/api/veltrin.h"

#include "app/api/veltrin_api.h"
#include "host/browser_host.h"
#include "host/events/lifecycle_events.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "host/plugin_window.h"

// The page may keep the scripting object longer than the plug-in lives: a window still attached
// is taken from it first, so that its view never draws into a window that is gone.
Veltrin::~Veltrin() {
    m_rootScriptingObject.reset();
    if (m_host) m_host->freeRetainedObjects();
    if (api_ && m_window != nullptr && api_->pluginWindow() == m_window) api_->setPluginWindow(nullptr);
    api_.reset();
}

// The kinds are tried in this order; the first that matches answers.
bool Veltrin::handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) {
    auto* window = dynamic_cast<FB::PluginWindow*>(source);
    if (window == nullptr) return false;
    if (auto* down = dynamic_cast<FB::MouseDownEvent*>(event)) return onMouseDown(down, window);
    if (auto* twice = dynamic_cast<FB::MouseDoubleClickEvent*>(event)) return onMouseDoubleClickEvent(twice, window);
    if (auto* up = dynamic_cast<FB::MouseUpEvent*>(event)) return onMouseUp(up, window);
    if (auto* move = dynamic_cast<FB::MouseMoveEvent*>(event)) return onMouseMove(move, window);
    if (auto* attached = dynamic_cast<FB::AttachedEvent*>(event)) return handleWindowAttached(attached, window);
    if (auto* detached = dynamic_cast<FB::DetachedEvent*>(event)) return handleWindowDetached(detached, window);
    if (auto* raw = dynamic_cast<FB::WindowsEvent*>(event)) return onWindowsEvent(raw, window);
    return false;
}

FB::JSAPIPtr Veltrin::makeScriptingObject() {
    if (!api_) api_ = std::make_shared<VeltrinAPI>(m_host);
    return api_;
}

bool Veltrin::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) {
    return api_ && api_->onMouseDown(event, window);
}

bool Veltrin::onMouseDoubleClickEvent(FB::MouseDoubleClickEvent* event, FB::PluginWindow* window) {
    return api_ && api_->onMouseDoubleClickEvent(event, window);
}

bool Veltrin::onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) {
    return api_ && api_->onMouseUp(event, window);
}

bool Veltrin::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) {
    return api_ && api_->onMouseMove(event, window);
}

bool Veltrin::handleWindowAttached(FB::AttachedEvent*, FB::PluginWindow* window) {
    if (!api_) makeScriptingObject();
    api_->setPluginWindow(window);
    return true;
}

bool Veltrin::handleWindowDetached(FB::DetachedEvent*, FB::PluginWindow*) {
    if (api_) api_->setPluginWindow(nullptr);
    return true;
}

bool Veltrin::onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window) {
    return api_ && api_->onWindowsEvent(event, window);
}
