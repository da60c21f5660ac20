#include "host/plugin_event_source.h"

#include "host/lifecycle_events.h"

#include <vector>

namespace FB {

void PluginEventSource::addObserver(const PluginEventSinkPtr& sink) {
    std::lock_guard<std::recursive_mutex> guard(m_observerLock);
    m_observers.push_back(sink);
    AttachedEvent attached;
    sink->handleEvent(&attached, this);
}

void PluginEventSource::addObserver(PluginEventSink* sink) {
    addObserver(sink->shared_from_this());
}

void PluginEventSource::removeObserver(const PluginEventSinkPtr& sink) {
    std::lock_guard<std::recursive_mutex> guard(m_observerLock);
    std::vector<PluginEventSinkPtr> removed;
    for (auto it = m_observers.begin(); it != m_observers.end();) {
        PluginEventSinkPtr live = it->lock();
        if (!live || live == sink) {
            if (live) removed.push_back(std::move(live));
            it = m_observers.erase(it);
        } else {
            ++it;
        }
    }
    for (const PluginEventSinkPtr& gone : removed) {
        DetachedEvent detached;
        gone->handleEvent(&detached, this);
    }
}

void PluginEventSource::removeObserver(PluginEventSink* sink) {
    removeObserver(sink->shared_from_this());
}

bool PluginEventSource::broadcastEvent(PluginEvent* event) {
    // A sink may drop the last owner of this source (a stream completing releases the manager's
    // hold); keep the source alive until the walk is over.
    std::shared_ptr<PluginEventSource> keepAlive = weak_from_this().lock();
    std::lock_guard<std::recursive_mutex> guard(m_observerLock);
    const std::list<std::weak_ptr<PluginEventSink>> snapshot = m_observers;
    for (const auto& entry : snapshot) {
        PluginEventSinkPtr sink = entry.lock();
        if (sink && sink->handleEvent(event, this)) return true;
    }
    return false;
}

}  // namespace FB
