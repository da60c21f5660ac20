// A browser stream whose transfer the test drives by hand, sending the events in the order a
// binding sends them.
#pragma once

#include "host/browser_stream.h"

#include <string>
#include <vector>

namespace testsupport {

class TestStream : public FB::BrowserStream {
public:
    using BrowserStream::BrowserStream;

    bool readRanges(const std::vector<Range>& requested) override;
    bool write(const char* data, size_t length, size_t& written) override;
    // Clears the open flag and ends the transfer.
    bool close() override;

    // The browser opened the transfer (or could not, for a seekable request the server refuses).
    void open(const std::string& mimeType, uint32_t length, bool serverCanSeek);
    // Delivers bytes in blocks of at most the internal buffer size, while open.
    void deliver(const std::string& data, uint32_t offset);
    // The transfer ended: completed, closed, and the completion event.
    void complete(bool success);

    std::string postData;
    std::vector<Range> ranges;
    int closeCount = 0;
};

}  // namespace testsupport
