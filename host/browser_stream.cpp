#include "host/browser_stream.h"

#include "host/stream_events.h"

namespace FB {

BrowserStream::BrowserStream(const std::string& url, bool cache, bool seekable,
                             uint32_t internalBufferSize)
    : m_url(url), m_seekableRequested(seekable), m_cached(cache),
      m_internalBufferSize(internalBufferSize) {}

BrowserStream::~BrowserStream() {
    StreamDestroyedEvent destroyed(this);
    broadcastEvent(&destroyed);
}

std::shared_ptr<BrowserStream> BrowserStream::selfPointer() {
    return std::static_pointer_cast<BrowserStream>(shared_from_this());
}

bool BrowserStream::readRange(uint32_t start, uint32_t end) {
    return readRanges({Range(start, end)});
}

}  // namespace FB
