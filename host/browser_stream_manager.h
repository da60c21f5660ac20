// The host's owner of open browser streams: keeps each stream alive from the moment the host
// obtained it until it completes, even when the plug-in dropped its own pointer, and closes those
// still open when the manager goes away (at host shutdown).
#pragma once

#include "host/browser_stream.h"
#include "host/plugin_event_sink.h"

#include <memory>
#include <mutex>
#include <set>

namespace FB {

class StreamCompletedEvent;

class BrowserStreamManager : public PluginEventSink {
public:
    ~BrowserStreamManager() override;

    bool handleEvent(PluginEvent* event, PluginEventSource* source) override;
    // Releases the completed stream; leaves the event unhandled so the plug-in still sees it.
    virtual bool onStreamCompleted(StreamCompletedEvent* event, BrowserStream* stream);

    void retainStream(const BrowserStreamPtr& stream);
    void releaseStream(const BrowserStreamPtr& stream);

    size_t retainedCount();

private:
    std::set<BrowserStreamPtr, std::owner_less<BrowserStreamPtr>> m_streams;
    std::recursive_mutex m_lock;
};

using BrowserStreamManagerPtr = std::shared_ptr<BrowserStreamManager>;

}  // namespace FB
