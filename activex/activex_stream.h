// A download of one URL for the plug-in, done through the browser's URL monikers: the whole
// resource, or byte ranges of a seekable one, with optional POST data. Each transfer is a request
// of its own; the stream turns what they receive into the stream events its observers get
// (opened, failed to open, data arrived, completed). Made by the browser host; every call on the
// browser's main thread, where the monikers report.
#pragma once

#include "host/browser_stream.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace FB::ActiveX {

class ActiveXStreamRequest;
using ActiveXStreamRequestPtr = std::shared_ptr<ActiveXStreamRequest>;

class ActiveXStream : public BrowserStream {
public:
    ActiveXStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize);
    ActiveXStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize,
                  const std::string& postData);
    // Closes the stream first: every transfer still going stops.
    ~ActiveXStream() override;

    // Only for a seekable stream whose server takes ranges, once open; an empty list asks nothing.
    bool readRanges(const std::vector<Range>& ranges) override;
    // Uploads are not offered.
    bool write(const char*, size_t, size_t&) override { return false; }
    // Stops every request; false for a stream that never opened (once: later calls answer true).
    bool close() override;

    virtual std::string getPostData() const { return m_postData; }
    // Starts the whole-resource request, unless a seekable stream already knows it can ask ranges.
    virtual bool init();
    virtual bool addRequest(const ActiveXStreamRequestPtr& request);
    virtual void signalDataArrived(const void* buffer, uint32_t length, uint32_t offset);
    virtual void signalOpened();
    virtual void signalFailedOpen();
    virtual void signalCompleted(bool success);
    virtual void signalRequestCompleted(const ActiveXStreamRequestPtr& request, bool success);

    std::shared_ptr<ActiveXStream> sharedActiveXStream();

private:
    std::set<ActiveXStreamRequestPtr> m_requests;
    bool m_closing = false;
    std::string m_postData;
};

using ActiveXStreamPtr = std::shared_ptr<ActiveXStream>;

}  // namespace FB::ActiveX
