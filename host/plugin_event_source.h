// A sender of plug-in events to an ordered list of weakly held sinks. One recursive lock is held
// for the whole of an add, remove or broadcast, so a sink may change the list or send further
// events from inside its handler on the same thread; changes do not affect a walk in progress.
#pragma once

#include "host/plugin_event_sink.h"

#include <list>
#include <memory>
#include <mutex>

namespace FB {

class PluginEventSource : public std::enable_shared_from_this<PluginEventSource> {
public:
    PluginEventSource() = default;
    PluginEventSource(const PluginEventSource&) = delete;
    PluginEventSource& operator=(const PluginEventSource&) = delete;
    virtual ~PluginEventSource() = default;

    // Appends the sink (duplicates allowed) and sends it an AttachedEvent.
    virtual void addObserver(const PluginEventSinkPtr& sink);
    // Throws std::bad_weak_ptr when the sink is not owned by a shared pointer.
    virtual void addObserver(PluginEventSink* sink);
    // Erases every entry of the sink and every expired entry; each live sink erased gets a
    // DetachedEvent.
    virtual void removeObserver(const PluginEventSinkPtr& sink);
    virtual void removeObserver(PluginEventSink* sink);
    // Offers the event to each live sink in order until one handles it.
    virtual bool broadcastEvent(PluginEvent* event);

protected:
    std::list<std::weak_ptr<PluginEventSink>> m_observers;
    std::recursive_mutex m_observerLock;
};

using PluginEventSourcePtr = std::shared_ptr<PluginEventSource>;

}  // namespace FB
