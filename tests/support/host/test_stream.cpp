#include "tests/support/host/test_stream.h"

#include "host/stream_events.h"

#include <algorithm>

namespace testsupport {

bool TestStream::readRanges(const std::vector<Range>& requested) {
    ranges.insert(ranges.end(), requested.begin(), requested.end());
    return true;
}

bool TestStream::write(const char*, size_t, size_t& written) {
    written = 0;
    return false;
}

bool TestStream::close() {
    if (!isOpen()) return false;
    setOpen(false);
    ++closeCount;
    return true;
}

void TestStream::open(const std::string& mimeType, uint32_t length, bool serverCanSeek) {
    setMimeType(mimeType);
    setLength(length);
    setSeekableByServer(serverCanSeek);
    if (isSeekable() && !serverCanSeek) {
        FB::StreamFailedOpenEvent failed(this);
        broadcastEvent(&failed);
        return;
    }
    setOpen(true);
    FB::StreamOpenedEvent opened(this);
    broadcastEvent(&opened);
}

void TestStream::deliver(const std::string& data, uint32_t offset) {
    const uint32_t block = std::max<uint32_t>(getInternalBufferSize(), 1);
    for (uint32_t done = 0; done < data.size() && isOpen();) {
        uint32_t count = std::min<uint32_t>(block, static_cast<uint32_t>(data.size()) - done);
        uint32_t at = offset + done;
        float progress = getLength() ? static_cast<float>(at + count) / getLength() * 100.0f : 0.0f;
        FB::StreamDataArrivedEvent arrived(this, data.data() + done, count, at, progress);
        broadcastEvent(&arrived);
        done += count;
    }
}

void TestStream::complete(bool success) {
    setCompleted(true);
    close();
    FB::StreamCompletedEvent completed(this, success);
    broadcastEvent(&completed);
}

}  // namespace testsupport
