// A browser stream whose transfer the test drives by hand, sending the events in the order a
// binding sends them.
#pragma once

#include "host/browser_stream.h"
#include "host/stream_events.h"

#include <algorithm>
#include <string>
#include <vector>

namespace testsupport {

class TestStream : public FB::BrowserStream {
public:
    using BrowserStream::BrowserStream;

    bool readRanges(const std::vector<Range>& requested) override {
        ranges.insert(ranges.end(), requested.begin(), requested.end());
        return true;
    }
    bool write(const char*, size_t, size_t& written) override { return (written = 0) != 0; }
    // Clears the open flag and ends the transfer.
    bool close() override {
        if (!isOpen()) return false;
        setOpen(false);
        return ++closeCount != 0;
    }

    // The browser opened the transfer (or could not, for a seekable request the server refuses).
    void open(const std::string& mimeType, uint32_t length, bool serverCanSeek) {
        setMimeType(mimeType);
        setLength(length);
        setSeekableByServer(serverCanSeek);
        if (isSeekable() && !serverCanSeek) return send<FB::StreamFailedOpenEvent>();
        setOpen(true);
        send<FB::StreamOpenedEvent>();
    }
    // Delivers bytes in blocks of at most the internal buffer size, while open.
    void deliver(const std::string& data, uint32_t offset) {
        const uint32_t block = std::max<uint32_t>(getInternalBufferSize(), 1);
        for (uint32_t done = 0; done < data.size() && isOpen(); done += block) {
            uint32_t count = std::min<uint32_t>(block, static_cast<uint32_t>(data.size()) - done);
            uint32_t at = offset + done;
            float progress = getLength() ? static_cast<float>(at + count) / getLength() * 100.0f : 0.0f;
            send<FB::StreamDataArrivedEvent>(data.data() + done, count, at, progress);
        }
    }
    // The transfer ended: completed, closed, and the completion event.
    void complete(bool success) {
        setCompleted(true);
        close();
        send<FB::StreamCompletedEvent>(success);
    }

    std::vector<Range> ranges;
    int closeCount = 0;

private:
    template <typename Event, typename... Fields>
    void send(Fields... fields) {
        Event event(this, fields...);
        broadcastEvent(&event);
    }
};

}  // namespace testsupport
