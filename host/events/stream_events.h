// Progress of a browser stream, sent by the stream to its observers.
#pragma once

#include "host/events/plugin_event.h"

#include <cstdint>

namespace FB {

class BrowserStream;

class StreamEvent : public PluginEvent {
public:
    explicit StreamEvent(BrowserStream* source) : stream(source) {}
    BrowserStream* stream;
};

class StreamCreatedEvent : public StreamEvent {
public:
    using StreamEvent::StreamEvent;
};

class StreamOpenedEvent : public StreamEvent {
public:
    using StreamEvent::StreamEvent;
};

// `data` is valid only while the event is being delivered.
class StreamDataArrivedEvent : public StreamEvent {
public:
    StreamDataArrivedEvent(BrowserStream* source, const void* bytes, uint32_t count, uint32_t at, float percent)
        : StreamEvent(source), data(bytes), length(count), offset(at), progress(percent) {}
    const void* data;
    uint32_t length;
    uint32_t offset;
    float progress;  // percent; 0 when the stream's length is unknown
};

class StreamFailedOpenEvent : public StreamEvent {
public:
    using StreamEvent::StreamEvent;
};

class StreamCompletedEvent : public StreamEvent {
public:
    StreamCompletedEvent(BrowserStream* source, bool succeeded) : StreamEvent(source), success(succeeded) {}
    bool success;
};

class StreamDestroyedEvent : public StreamEvent {
public:
    using StreamEvent::StreamEvent;
};

}  // namespace FB
