// A browser stream whose transfer the test drives by hand, sending the events in the order a
// binding sends them.
#pragma once

#include "host/browser_stream.h"
#include "host/events/stream_events.h"

#include <string>
#include <vector>

namespace test_support {

class TestStream : public FB::BrowserStream {
public:
    using BrowserStream::BrowserStream;

    bool readRanges(const std::vector<Range>&) override { return false; }
    bool write(const char*, size_t, size_t& written) override { return (written = 0) != 0; }
    // Clears the open flag and ends the transfer.
    bool close() override {
        if (!isOpen()) return false;
        setOpen(false);
        return ++closeCount != 0;
    }

    // The browser opened the transfer.
    void open() {
        setOpen(true);
        FB::StreamOpenedEvent opened(this);
        broadcastEvent(&opened);
    }
    // The transfer ended: completed, closed, and the completion event.
    void complete(bool success) {
        setCompleted(true);
        close();
        FB::StreamCompletedEvent completed(this, success);
        broadcastEvent(&completed);
    }

    int closeCount = 0;
};

}  // namespace test_support
