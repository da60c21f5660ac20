// One plug-in instance as a browser makes it: the application's factory makes the plug-in object,
// the stand-in host is its browser host, and the plug-in's window is a real window of the window
// system wrapped as the framework's windowed plug-in window. The test drives the scripting object
// by name and reads the events it fires.
#pragma once

#include "app/api/veltrin_api.h"
#include "host/factory_base.h"
#include "host/plugin_core.h"
#include "host/plugin_window_win.h"
#include "scripting/jsapi_auto.h"
#include "tests/app/support/test_windows.h"
#include "tests/support/host/test_browser_host.h"

#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace test_support {

// A script value as the test compares it: an int as its digits, a string in double quotes, no
// value as <empty>, anything else as its type.
inline std::string Shown(const FB::variant& value) {
    if (value.isEmpty()) return "<empty>";
    if (value.type() == typeid(int)) return std::to_string(value.cast<int>());
    if (value.type() == typeid(std::string)) return "\"" + value.cast<std::string>() + "\"";
    return std::string("<") + value.type().name() + ">";
}

using Args = std::vector<std::string>;

struct FiredEvent {
    std::string name;
    Args args;
};

// Mirrors the scripting object's events (the framework hands every event to its proxies).
class EventLog : public FB::JSAPIAuto {
public:
    EventLog() : FB::JSAPIAuto("<event log>") {}
    using FB::JSAPIAuto::fireNamedEvent;
    void fireNamedEvent(const std::string& name, const FB::VariantList& args) override {
        Args shown;
        for (const FB::variant& arg : args) shown.push_back(Shown(arg));
        std::lock_guard<std::mutex> hold(lock_);
        events_.push_back({name, shown});
    }
    std::vector<FiredEvent> take() {
        std::lock_guard<std::mutex> hold(lock_);
        return std::exchange(events_, {});
    }
    // The events of one name, taken out of the log.
    std::vector<Args> take(const std::string& name) {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<Args> found;
        std::vector<FiredEvent> rest;
        for (auto& event : events_) {
            if (event.name == name) {
                found.push_back(event.args);
            } else {
                rest.push_back(event);
            }
        }
        events_ = rest;
        return found;
    }

private:
    std::mutex lock_;
    std::vector<FiredEvent> events_;
};

class PluginInstance {
public:
    explicit PluginInstance(int width = 320, int height = 240, bool attachWindow = true) : windows(width, height) {
        plugin->setHost(host);
        if (attachWindow) attach();
        api = std::dynamic_pointer_cast<VeltrinAPI>(plugin->rootScriptingObject());
        api->addEventProxy(events);
    }
    ~PluginInstance() {
        if (plugin) plugin->ClearWindow();
        api.reset();
        plugin.reset();
        window.reset();
        TestBrowserHost::pump();
    }
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    void attach() {
        window = std::make_unique<FB::PluginWindowWin>(FB::WindowContextWindowed(windows.plugin()));
        plugin->SetWindow(window.get());
    }

    template <class... Args>
    FB::variant Invoke(const std::string& method, Args... args) {
        return api->Invoke(method, FB::VariantList{FB::variant(args)...});
    }
    int Call(const std::string& method) { return api->Invoke(method, {}).convertTo<int>(); }

    // Starts playing the URL in a preview view.
    int Play(const std::string& url) {
        Invoke("SetFunction", 0);
        Invoke("SetRtspUrl", url);
        return Call("StartPlay");
    }

    CVideoPlayer* view() const { return api->view(); }
    HWND pluginWindow() const { return windows.plugin(); }

    using TestBrowserHost = test_support::TestBrowserHost;
    BrowserWindows windows;
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    std::shared_ptr<FB::PluginCore> plugin = sharedFactory()->makePluginObject("application/x-veltrin");
    std::unique_ptr<FB::PluginWindowWin> window;
    std::shared_ptr<VeltrinAPI> api;
    std::shared_ptr<EventLog> events = std::make_shared<EventLog>();
};

}  // namespace test_support
