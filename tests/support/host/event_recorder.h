// A plug-in event sink for tests: writes one line per event it receives ("down 0 10 20 0",
// "key 84 65", "msg 15", "attached", ...) and handles the events a test chooses.
#pragma once

#include "host/events/plugin_event.h"
#include "host/plugin_event_sink.h"

#include <functional>
#include <string>
#include <vector>

namespace test_support {

std::string describeEvent(FB::PluginEvent* event);

class EventRecorder : public FB::PluginEventSink {
public:
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;

    // The lines without the raw window messages ("msg ...").
    std::vector<std::string> translated() const;

    std::vector<std::string> log;
    // Decides, per event, whether this sink handles it; runs inside the broadcast.
    std::function<bool(FB::PluginEvent*)> handles;
};

}  // namespace test_support
