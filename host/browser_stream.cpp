#include "host/browser_stream.h"

#include "host/framework_log.h"
#include "host/events/stream_events.h"

#include <exception>
#include <string>

namespace FB {

BrowserStream::BrowserStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize)
    : m_url(url), m_seekableRequested(seekable), m_cached(cache), m_internalBufferSize(internalBufferSize) {}

BrowserStream::~BrowserStream() {
    // A destructor must not throw: a sink failing here would end the process.
    try {
        StreamDestroyedEvent destroyed(this);
        broadcastEvent(&destroyed);
    } catch (const std::exception& e) {
        frameworkLog("BrowserStream", std::string("Exception sending the destroyed event: ") + e.what());
    } catch (...) {
        frameworkLog("BrowserStream", "Exception sending the destroyed event");
    }
}

std::shared_ptr<BrowserStream> BrowserStream::selfPointer() {
    return std::static_pointer_cast<BrowserStream>(shared_from_this());
}

bool BrowserStream::readRange(uint32_t start, uint32_t end) { return readRanges({Range(start, end)}); }

}  // namespace FB
