// A download or upload the browser performs for the plug-in: the browser's NPStream and URL
// notification turned into the framework's stream events. The host asks the browser for the URL
// with the stream as notify data; the NPP stream callbacks, found through that notify data, drive
// the stream from then on. Main thread only, as the callbacks that drive it.
//
// The stream keeps itself alive from the browser's acceptance until the browser has both
// destroyed its NPStream and sent the URL notification, in whichever order they come. Its
// observers get exactly one StreamCompletedEvent, carrying the transfer's real result.
#pragma once

#include "host/browser_stream.h"
#include "platform/npapi/npapi.h"

#include <memory>
#include <string>
#include <vector>

namespace FB::Npapi {

class NpapiBrowserHost;

class NpapiStream : public BrowserStream {
public:
    NpapiStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize,
                const std::weak_ptr<NpapiBrowserHost>& host);
    ~NpapiStream() override;

    // Refuses a range whose end precedes its start, or that starts beyond what a browser range
    // can express.
    bool readRanges(const std::vector<Range>& ranges) override;
    bool write(const char* data, size_t dataLength, size_t& written) override;
    // Ends the browser's transfer. An open stream not yet completed completes successfully.
    bool close() override;

    void setSelfReference();
    void releaseSelfReference() { m_selfReference.reset(); }
    void setDestroyed();
    void setUrlNotified();
    // Accepts at most the internal buffer size; answers the bytes taken.
    int32_t signalDataArrived(const void* buffer, int32_t length, int32_t offset);
    void signalOpened();
    void signalFailedOpen();
    // The end of the transfer. A successful end leaves a seekable stream open for range requests.
    void signalCompleted(bool success);
    void setCacheFilename(const std::wstring& name) override { BrowserStream::setCacheFilename(name); }
    void setStream(NPStream* stream) { m_stream = stream; }
    NPStream* getStream() const { return m_stream; }
    std::shared_ptr<NpapiBrowserHost> getHost() const { return m_host.lock(); }

private:
    void complete(bool success);

    NPStream* m_stream = nullptr;
    std::weak_ptr<NpapiBrowserHost> m_host;
    std::shared_ptr<NpapiStream> m_selfReference;
    bool m_destroyed = false;
    bool m_notified = false;
};

}  // namespace FB::Npapi
