#include "host/plugin_event_source.h"

#include "host/events/lifecycle_events.h"

#include <vector>

namespace FB {

PluginEventSource::~PluginEventSource() {
    std::lock_guard<std::recursive_mutex> guard(m_observers->lock);
    m_observers->sourceDestroyed = true;
}

void PluginEventSource::addObserver(const PluginEventSinkPtr& sink) {
    std::lock_guard<std::recursive_mutex> guard(m_observers->lock);
    m_observers->sinks.push_back(sink);
    AttachedEvent attached;
    sink->handleEvent(&attached, this);
}

void PluginEventSource::addObserver(PluginEventSink* sink) { addObserver(sink->shared_from_this()); }

void PluginEventSource::removeObserver(const PluginEventSinkPtr& sink) {
    std::lock_guard<std::recursive_mutex> guard(m_observers->lock);
    std::vector<PluginEventSinkPtr> removed;
    auto& sinks = m_observers->sinks;
    for (auto it = sinks.begin(); it != sinks.end();) {
        PluginEventSinkPtr live = it->lock();
        if (!live || live == sink) {
            if (live) removed.push_back(std::move(live));
            it = sinks.erase(it);
        } else {
            ++it;
        }
    }
    for (const PluginEventSinkPtr& gone : removed) {
        DetachedEvent detached;
        gone->handleEvent(&detached, this);
    }
}

void PluginEventSource::removeObserver(PluginEventSink* sink) { removeObserver(sink->shared_from_this()); }

bool PluginEventSource::broadcastEvent(PluginEvent* event) {
    // A sink may drop the last owner of this source (a stream completing releases the manager's
    // hold); keep the source alive until the walk is over.
    std::shared_ptr<PluginEventSource> keepAlive = weak_from_this().lock();
    const std::shared_ptr<Observers> observers = m_observers;
    std::lock_guard<std::recursive_mutex> guard(observers->lock);
    const std::list<std::weak_ptr<PluginEventSink>> snapshot = observers->sinks;
    for (const auto& entry : snapshot) {
        if (observers->sourceDestroyed) return false;
        PluginEventSinkPtr sink = entry.lock();
        if (sink && sink->handleEvent(event, this)) return true;
    }
    return false;
}

}  // namespace FB
