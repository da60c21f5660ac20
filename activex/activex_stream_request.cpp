#include "activex/activex_stream_request.h"

#include "activex/activex_bind_status_callback.h"
#include "scripting/utf8_tools.h"

namespace FB::ActiveX {

ActiveXStreamRequest::ActiveXStreamRequest(const ActiveXStreamPtr& owner) : stream(owner) {}

ActiveXStreamRequest::ActiveXStreamRequest(const ActiveXStreamPtr& owner,
                                           const std::vector<BrowserStream::Range>& wanted)
    : stream(owner), ranges(wanted) {}

ActiveXStreamRequest::~ActiveXStreamRequest() { dropCallback(); }

void ActiveXStreamRequest::dropCallback() {
    if (callback) std::exchange(callback, nullptr)->Release();
}

bool ActiveXStreamRequest::start() {
    const std::wstring url = utf8ToWide(stream->getUrl());
    ActiveXBindStatusCallback* made = nullptr;
    if (ActiveXBindStatusCallback::CreateInstance(shared_from_this(), &made) < 0) return false;
    callback = made;
    const bool started = CreateURLMonikerEx(nullptr, url.c_str(), moniker.put(), URL_MK_UNIFORM) >= 0 &&
                         CreateAsyncBindCtx(0, callback, nullptr, bindContext.put()) >= 0 &&
                         IsValidURL(bindContext.get(), url.c_str(), 0) == S_OK &&
                         moniker->BindToStorage(bindContext.get(), nullptr, IID_IStream,
                                                reinterpret_cast<void**>(storage.put())) >= 0;
    if (!started) {
        // Nothing will end the transfer: the callback and this request must not hold each other.
        bindContext.reset();
        moniker.reset();
        dropCallback();
    }
    return started;
}

bool ActiveXStreamRequest::stop() {
    if (!callback) return true;
    bool stopped = true;
    if (IBinding* binding = callback->binding()) {
        const HRESULT result = binding->Abort();
        stopped = result >= 0 || result == INET_E_RESULT_DISPATCHED;
    }
    dropCallback();
    bindContext.reset();
    moniker.reset();
    stream.reset();
    return stopped;
}

}  // namespace FB::ActiveX
