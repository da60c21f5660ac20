// A receiver of plug-in events. Sources hold sinks weakly, so a sink must be owned by a shared
// pointer before it is registered.
#pragma once

#include <memory>

namespace FB {

class PluginEvent;
class PluginEventSource;

class PluginEventSink : public std::enable_shared_from_this<PluginEventSink> {
public:
    PluginEventSink() = default;
    PluginEventSink(const PluginEventSink&) = delete;
    PluginEventSink& operator=(const PluginEventSink&) = delete;
    virtual ~PluginEventSink() = default;

    // True when the sink handled the event; the source then stops offering it to later sinks.
    virtual bool handleEvent(PluginEvent* event, PluginEventSource* source) = 0;
};

using PluginEventSinkPtr = std::shared_ptr<PluginEventSink>;

}  // namespace FB
