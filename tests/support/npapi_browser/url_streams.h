// The URL requests of one plug-in instance (NPN_GetURL[Notify], NPN_PostURL[Notify] with no target),
// served from local files and loopback HTTP and delivered as NPAPI streams: NPP_NewStream, then
// NPP_WriteReady / NPP_Write in chunks the plug-in accepts, NPP_StreamAsFile when it asked for a
// file, NPP_DestroyStream and, for a notifying request, NPP_URLNotify. A request that fails before
// any data (no such file, a refused connection, an HTTP status of 300 or more) gets only the
// notification, with NPRES_NETWORK_ERR. Each callback is a step of its own in the main thread's
// pump, as data arrive in a browser, never inside the NPN call that asked. Main thread only.
#pragma once

#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/npapi_browser/http_fetch.h"
#include "tests/support/page_engine/pump_timers.h"

#include "platform/npapi/npfunctions.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace test_support {

struct UrlRequest {
    std::string url;
    bool post = false;
    std::string postBuffer;  // headers ("Name: value" lines, a blank line) and body, or the body alone
    bool postBufferIsFile = false;
    bool notify = false;
    void* notifyData = nullptr;
};

struct UrlStreamSettings {
    std::filesystem::path baseDirectory;  // relative URLs resolve here
    std::string userAgent;
};

class UrlStreams {
public:
    UrlStreams(BrowserMainThread& mainThread, const NPPluginFuncs& plugin, NPP instance, UrlStreamSettings settings,
               BrowserFaults& faults);
    // Drops whatever is under way without further callbacks; stopAll first ends streams cleanly.
    ~UrlStreams();
    UrlStreams(const UrlStreams&) = delete;
    UrlStreams& operator=(const UrlStreams&) = delete;

    // NPERR_INVALID_URL for a URL this browser does not serve; the stream comes later.
    NPError request(UrlRequest request);
    // NPN_DestroyStream: the plug-in ends a stream; its NPP_DestroyStream and notification come
    // before this returns, as in WebKit.
    NPError destroyStream(NPStream* stream, NPReason reason);
    // Ends every stream under way with NPRES_USER_BREAK, as a browser does before it destroys the
    // instance.
    void stopAll();
    size_t underWay() const { return streams_.size(); }

private:
    struct Stream;

    void step(uint64_t id);
    void open(Stream& stream);
    void write(Stream& stream);
    void finishDelivery(Stream& stream);
    void end(Stream& stream, NPReason reason);
    void fail(Stream& stream);
    void schedule(uint64_t id);
    void retryLater(uint64_t id);
    void startFetch(Stream& stream);
    bool readFileBody(Stream& stream);
    std::filesystem::path bodyFile(Stream& stream);
    Stream* find(uint64_t id);

    BrowserMainThread& mainThread_;
    const NPPluginFuncs& plugin_;
    NPP instance_;
    UrlStreamSettings settings_;
    BrowserFaults& faults_;
    std::map<uint64_t, std::unique_ptr<Stream>> streams_;
    std::map<int, uint64_t> retries_;  // pump timer id -> stream id
    PumpTimers timers_;
    std::filesystem::path temporaryFolder_;                  // bodies of HTTP streams the plug-in takes as files
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // posted steps find out whether this still lives
    uint64_t nextId_ = 1;
};

}  // namespace test_support
