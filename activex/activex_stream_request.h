// One transfer of an ActiveX stream: the whole resource or a list of byte ranges, with its URL
// moniker, its asynchronous bind context and its status callback. The request keeps its stream
// alive until it stops; the callback and the request hold each other only while the transfer runs.
// Main thread only.
#pragma once

#include "activex/activex_stream.h"
#include "activex/com_owners.h"
#include "platform/net/urlmon.h"

#include <memory>
#include <vector>

namespace FB::ActiveX {

class ActiveXBindStatusCallback;

class ActiveXStreamRequest : public std::enable_shared_from_this<ActiveXStreamRequest> {
public:
    explicit ActiveXStreamRequest(const ActiveXStreamPtr& stream);
    ActiveXStreamRequest(const ActiveXStreamPtr& stream, const std::vector<BrowserStream::Range>& ranges);
    ~ActiveXStreamRequest();

    // Moniker, bind context and binding; false at the first step that fails.
    bool start();
    // Aborts the transfer (one that had already finished counts as stopped) and lets go of the
    // callback and the stream.
    bool stop();

    ActiveXStreamPtr stream;
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> bindContext;
    ActiveXBindStatusCallback* callback = nullptr;  // one COM reference while held
    ComPtr<IStream> storage;
    std::vector<BrowserStream::Range> ranges;

private:
    void dropCallback();
};

}  // namespace FB::ActiveX
