// Progress of a browser stream, sent by the stream to its observers.
#pragma once

#include "host/events/plugin_event.h"

#include <cstdint>

namespace FB {

class BrowserStream;

class StreamEvent : public PluginEvent {
public:
    explicit StreamEvent(BrowserStream* stream) : stream(stream) {}
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
    StreamDataArrivedEvent(BrowserStream* stream, const void* data, uint32_t length, uint32_t offset,
                           float progress)
        : StreamEvent(stream), data(data), length(length), offset(offset), progress(progress) {}
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
    StreamCompletedEvent(BrowserStream* stream, bool success) : StreamEvent(stream), success(success) {}
    bool success;
};

class StreamDestroyedEvent : public StreamEvent {
public:
    using StreamEvent::StreamEvent;
};

}  // namespace FB
