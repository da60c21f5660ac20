#include "tests/activex/com_server/support/test_control_plugin.h"

#include "host/events/window_events.h"
#include "scripting/method_wrappers.h"
#include "platform/window/win_window.h"
#include "tests/support/host/event_recorder.h"

#include <algorithm>

namespace com_server_test {

ControlTestPlugin* ControlTestPlugin::last = nullptr;
std::atomic<int> ControlTestPlugin::live{0};

ControlTestApi::ControlTestApi() : FB::JSAPIAuto("ControlTestApi") {
    addProperty("Version", FB::make_getter(this, &ControlTestApi::version));
}

ControlTestPlugin::ControlTestPlugin() {
    last = this;
    ++live;
}

ControlTestPlugin::~ControlTestPlugin() {
    if (last == this) last = nullptr;
    --live;
}

// A repaint is handled, so that the window does not draw its own fallback.
bool ControlTestPlugin::handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) {
    windowEvents.push_back(test_support::describeEvent(event));
    return dynamic_cast<FB::RefreshEvent*>(event) != nullptr;
}

bool ControlTestPlugin::markReady() {
    ++readyMarks;
    return FB::PluginCore::markReady();
}

std::shared_ptr<ControlTestFactory> controlTestFactory() {
    static const auto factory = std::make_shared<ControlTestFactory>();
    return factory;
}

}  // namespace com_server_test

FB::FactoryBasePtr sharedFactory() { return com_server_test::controlTestFactory(); }

namespace com_server_test {

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

size_t eventsStartingWith(const std::string& prefix) {
    const auto& events = ControlTestPlugin::last->windowEvents;
    return size_t(std::count_if(events.begin(), events.end(),
                                [&](const std::string& event) { return event.rfind(prefix, 0) == 0; }));
}

}  // namespace com_server_test
