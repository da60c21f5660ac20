#include "activex/activex_stream.h"

#include "activex/activex_stream_request.h"
#include "host/events/stream_events.h"

namespace FB::ActiveX {

ActiveXStream::ActiveXStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize)
    : BrowserStream(url, cache, seekable, internalBufferSize) {}

ActiveXStream::ActiveXStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize,
                             const std::string& postData)
    : BrowserStream(url, cache, seekable, internalBufferSize), m_postData(postData) {}

ActiveXStream::~ActiveXStream() { close(); }

std::shared_ptr<ActiveXStream> ActiveXStream::sharedActiveXStream() {
    return std::static_pointer_cast<ActiveXStream>(selfPointer());
}

bool ActiveXStream::init() {
    if (isSeekable() && isSeekableByServer()) return true;
    return addRequest(std::make_shared<ActiveXStreamRequest>(sharedActiveXStream()));
}

bool ActiveXStream::addRequest(const ActiveXStreamRequestPtr& request) {
    const ActiveXStreamRequestPtr kept = request;
    const bool started = kept->start();
    if (started) m_requests.insert(kept);
    return started;
}

bool ActiveXStream::readRanges(const std::vector<Range>& ranges) {
    if (!isSeekable() || !isSeekableByServer() || !isOpen()) return false;
    if (!ranges.empty()) addRequest(std::make_shared<ActiveXStreamRequest>(sharedActiveXStream(), ranges));
    return true;
}

bool ActiveXStream::close() {
    if (m_closing) return true;
    m_closing = true;
    if (!isOpen()) return false;
    setOpen(false);
    const std::set<ActiveXStreamRequestPtr> requests = m_requests;
    bool stopped = true;
    for (const ActiveXStreamRequestPtr& request : requests) stopped = request->stop() && stopped;
    m_requests.clear();
    m_closing = false;
    return stopped;
}

void ActiveXStream::signalDataArrived(const void* buffer, uint32_t length, uint32_t offset) {
    if (length == 0) return;
    float progress = 0;
    if (getLength() != 0)
        progress = static_cast<float>(static_cast<double>(uint64_t(offset) + length) / getLength() * 100.0);
    if (!isOpen() && getCacheFilename().empty()) return;
    StreamDataArrivedEvent event(this, buffer, length, offset, progress);
    broadcastEvent(&event);
}

void ActiveXStream::signalOpened() {
    setOpen(true);
    StreamOpenedEvent event(this);
    broadcastEvent(&event);
}

void ActiveXStream::signalFailedOpen() {
    StreamFailedOpenEvent event(this);
    broadcastEvent(&event);
}

void ActiveXStream::signalCompleted(bool success) {
    setCompleted(true);
    if (!isOpen() && !success) signalFailedOpen();
    close();
    StreamCompletedEvent event(this, success);
    broadcastEvent(&event);
}

void ActiveXStream::signalRequestCompleted(const ActiveXStreamRequestPtr& request, bool success) {
    m_requests.erase(request);
    if (m_requests.empty()) {
        signalCompleted(success);
        close();
    }
}

}  // namespace FB::ActiveX
