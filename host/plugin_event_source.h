// A sender of plug-in events to an ordered list of weakly held sinks. One recursive lock is held
// for the whole of an add, remove or broadcast, so a sink may change the list or send further
// events from inside its handler on the same thread; changes do not affect a walk in progress.
#pragma once

#include "host/plugin_event_sink.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>

namespace FB {

class PluginEventSource : public std::enable_shared_from_this<PluginEventSource> {
public:
    PluginEventSource() = default;
    PluginEventSource(const PluginEventSource&) = delete;
    PluginEventSource& operator=(const PluginEventSource&) = delete;
    virtual ~PluginEventSource();

    // Appends the sink (duplicates allowed) and sends it an AttachedEvent.
    virtual void addObserver(const PluginEventSinkPtr& sink);
    // Throws std::bad_weak_ptr when the sink is not owned by a shared pointer.
    virtual void addObserver(PluginEventSink* sink);
    // Erases every entry of the sink and every expired entry; each live sink erased gets a
    // DetachedEvent.
    virtual void removeObserver(const PluginEventSinkPtr& sink);
    virtual void removeObserver(PluginEventSink* sink);
    // Offers the event to each live sink in order until one handles it. A sink may destroy the
    // source meanwhile (a page removing the plug-in from an event handler): a source owned by a
    // shared pointer lives until the walk is over; one owned otherwise ends the walk, unhandled.
    virtual bool broadcastEvent(PluginEvent* event);

protected:
    // The list and its lock, kept apart from the source so that a walk over the sinks outlives a
    // source destroyed by one of them.
    struct Observers {
        std::recursive_mutex lock;
        std::list<std::weak_ptr<PluginEventSink>> sinks;
        std::atomic<bool> sourceDestroyed{false};
    };

    // Tells code that goes on after calling the sinks whether one of them destroyed the source:
    // taken before the call, asked afterwards, when the source itself may no longer be touched.
    class DestructionWatch {
    public:
        explicit DestructionWatch(std::shared_ptr<const Observers> observers) : m_observers(std::move(observers)) {}
        bool sourceDestroyed() const { return m_observers->sourceDestroyed; }

    private:
        std::shared_ptr<const Observers> m_observers;
    };
    DestructionWatch watchDestruction() const { return DestructionWatch(m_observers); }

private:
    std::shared_ptr<Observers> m_observers = std::make_shared<Observers>();
};

using PluginEventSourcePtr = std::shared_ptr<PluginEventSource>;

}  // namespace FB
