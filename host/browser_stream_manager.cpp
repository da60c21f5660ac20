#include "host/browser_stream_manager.h"

#include "host/events/stream_events.h"

#include <vector>

namespace FB {

// The manager never calls into a stream while it holds m_lock: a stream broadcasts under its own
// lock, and its completion calls back here (onStreamCompleted -> releaseStream), so holding both in
// the other order would deadlock as soon as a stream completes on another thread.

BrowserStreamManager::~BrowserStreamManager() {
    // Closing may send events; take the set first so nothing walks it while it changes.
    std::set<BrowserStreamPtr, std::owner_less<BrowserStreamPtr>> streams;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        streams.swap(m_streams);
    }
    for (const BrowserStreamPtr& stream : streams) stream->close();
}

bool BrowserStreamManager::handleEvent(PluginEvent* event, PluginEventSource* source) {
    auto* completed = dynamic_cast<StreamCompletedEvent*>(event);
    auto* stream = dynamic_cast<BrowserStream*>(source);
    if (completed && stream) return onStreamCompleted(completed, stream);
    return false;
}

bool BrowserStreamManager::onStreamCompleted(StreamCompletedEvent*, BrowserStream* stream) {
    releaseStream(stream->selfPointer());
    return false;
}

void BrowserStreamManager::retainStream(const BrowserStreamPtr& stream) {
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_streams.insert(stream);
    }
    stream->addObserver(std::static_pointer_cast<PluginEventSink>(shared_from_this()));
}

void BrowserStreamManager::releaseStream(const BrowserStreamPtr& stream) {
    BrowserStreamPtr released;  // outlives the lock: the last owner's release runs the stream's destructor
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        auto found = m_streams.find(stream);
        if (found != m_streams.end()) {
            released = *found;
            m_streams.erase(found);
        }
    }
    stream->removeObserver(std::static_pointer_cast<PluginEventSink>(shared_from_this()));
}

size_t BrowserStreamManager::retainedCount() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_streams.size();
}

}  // namespace FB
