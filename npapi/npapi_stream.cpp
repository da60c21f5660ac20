#include "npapi/npapi_stream.h"

#include "host/events/stream_events.h"
#include "npapi/npapi_browser_host.h"

#include <limits>

namespace FB::Npapi {

NpapiStream::NpapiStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize,
                         const std::weak_ptr<NpapiBrowserHost>& host)
    : BrowserStream(url, cache, seekable, internalBufferSize), m_host(host) {}

NpapiStream::~NpapiStream() {
    try {
        close();
    } catch (...) {}
}

// The browser's calls are made on its main thread only; a stream let go of elsewhere detaches
// from the browser's stream without a call, the browser ending it with the instance.
bool NpapiStream::close() {
    if (!m_stream) return false;
    const bool wasOpen = isOpen();
    setOpen(false);
    if (wasOpen && !isCompleted()) {
        setCompleted(true);
        StreamCompletedEvent completed(this, true);
        broadcastEvent(&completed);
    }
    NPStream* stream = m_stream;
    m_stream = nullptr;
    const std::shared_ptr<NpapiBrowserHost> host = getHost();
    if (!host || !host->onMainThread()) return false;
    return host->DestroyStream(stream) == NPERR_NO_ERROR;
}

bool NpapiStream::write(const char* data, size_t dataLength, size_t& written) {
    const std::shared_ptr<NpapiBrowserHost> host = getHost();
    if (!m_stream || !isOpen() || !host) return false;
    if (dataLength > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    const int32_t sent = host->Write(m_stream, static_cast<int32_t>(dataLength), const_cast<char*>(data));
    written = sent < 0 ? 0 : static_cast<size_t>(sent);
    return written == dataLength;
}

bool NpapiStream::readRanges(const std::vector<Range>& ranges) {
    const std::shared_ptr<NpapiBrowserHost> host = getHost();
    if (!m_stream || !canSeek() || !isOpen() || !host) return false;
    if (ranges.empty()) return true;
    std::vector<NPByteRange> list(ranges.size());
    for (size_t i = 0; i < ranges.size(); ++i) {
        const Range& range = ranges[i];
        if (range.end < range.start || range.start > uint32_t(std::numeric_limits<int32_t>::max())) return false;
        list[i].offset = static_cast<int32_t>(range.start);
        list[i].length = range.end - range.start;
        list[i].next = i + 1 < ranges.size() ? &list[i + 1] : nullptr;
    }
    return host->RequestRead(m_stream, list.data()) == NPERR_NO_ERROR;
}

// Both of the browser's last reports already in (a browser may send them within the request):
// nothing further will come to let go of the stream, so it is not held.
void NpapiStream::setSelfReference() {
    if (m_destroyed && m_notified) return;
    m_selfReference = std::static_pointer_cast<NpapiStream>(selfPointer());
}

void NpapiStream::setDestroyed() {
    m_destroyed = true;
    if (m_notified) releaseSelfReference();
}

void NpapiStream::setUrlNotified() {
    m_notified = true;
    if (m_destroyed) releaseSelfReference();
}

// The progress counts the whole delivered block, also when only part of it is taken.
int32_t NpapiStream::signalDataArrived(const void* buffer, int32_t length, int32_t offset) {
    if (length <= 0 || !buffer) return 0;
    const uint32_t accepted = std::min(static_cast<uint32_t>(length), getInternalBufferSize());
    if (accepted == 0) return 0;
    float progress = 0;
    if (getLength() != 0) {
        const auto delivered = static_cast<int32_t>(static_cast<uint32_t>(offset) + static_cast<uint32_t>(length));
        progress = static_cast<float>(delivered) / static_cast<float>(getLength()) * 100.0f;
    }
    if (isOpen()) {
        StreamDataArrivedEvent arrived(this, buffer, accepted, static_cast<uint32_t>(offset), progress);
        broadcastEvent(&arrived);
    }
    return static_cast<int32_t>(accepted);
}

void NpapiStream::signalOpened() {
    setOpen(true);
    StreamOpenedEvent opened(this);
    broadcastEvent(&opened);
}

void NpapiStream::signalFailedOpen() {
    StreamFailedOpenEvent failed(this);
    broadcastEvent(&failed);
}

void NpapiStream::signalCompleted(bool success) {
    if (isCompleted() || (canSeek() && success)) return;
    complete(success);
}

// Marked complete before the browser's stream is ended, so that ending it sends no event of its
// own: the observers hear of the end once, with its real result.
void NpapiStream::complete(bool success) {
    setCompleted(true);
    close();
    setOpen(false);
    StreamCompletedEvent completed(this, success);
    broadcastEvent(&completed);
}

}  // namespace FB::Npapi
