// The plug-in the COM server's tests embed: the process's factory (these tests link no application)
// makes a small plug-in core that records what reaches it (its <param> values are kept by the
// core itself, its window events here, its ready marks) and counts the process hooks. The
// "windowless" <param> decides whether it answers windowless, as for any plug-in core.
#pragma once

#include "host/factory_base.h"
#include "host/plugin_core.h"
#include "scripting/jsapi_auto.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace com_server_test {

class ControlTestApi : public FB::JSAPIAuto {
public:
    ControlTestApi();
    std::string version() { return "V2.28"; }
};

class ControlTestPlugin : public FB::PluginCore {
public:
    ControlTestPlugin();
    ~ControlTestPlugin() override;
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;
    FB::JSAPIPtr makeScriptingObject() override { return std::make_shared<ControlTestApi>(); }
    bool markReady() override;

    std::vector<std::string> windowEvents;  // as test_support::describeEvent writes them
    int readyMarks = 0;

    // The plug-in made last, while it lives.
    static ControlTestPlugin* last;
    static std::atomic<int> live;
};

class ControlTestFactory : public FB::FactoryBase {
public:
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string&) override {
        return std::make_shared<ControlTestPlugin>();
    }
    void processStartHook() override { ++startHooks; }
    void processEndHook() override { ++endHooks; }

    int startHooks = 0;
    int endHooks = 0;
};

std::shared_ptr<ControlTestFactory> controlTestFactory();

// Runs the messages waiting for this thread, the browser's main thread of these tests.
void pump();
// How many of the last plug-in's window events start with `prefix`.
size_t eventsStartingWith(const std::string& prefix);

}  // namespace com_server_test
