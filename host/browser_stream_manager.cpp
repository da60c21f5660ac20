#include "host/browser_stream_manager.h"

#include "host/events/stream_events.h"

#include <vector>

namespace FB {

BrowserStreamManager::~BrowserStreamManager() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    // Closing may send events; take the set first so nothing walks it while it changes.
    std::set<BrowserStreamPtr, std::owner_less<BrowserStreamPtr>> streams;
    streams.swap(m_streams);
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
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    stream->addObserver(std::static_pointer_cast<PluginEventSink>(shared_from_this()));
    m_streams.insert(stream);
}

void BrowserStreamManager::releaseStream(const BrowserStreamPtr& stream) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    stream->removeObserver(std::static_pointer_cast<PluginEventSink>(shared_from_this()));
    m_streams.erase(stream);
}

size_t BrowserStreamManager::retainedCount() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_streams.size();
}

}  // namespace FB
