#include "npapi/npapi_browser_host.h"

#include "host/events/stream_events.h"
#include "npapi/browser_proxy_answer.h"
#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "npapi/npapi_stream.h"
#include "npapi/scoped_np_variant.h"

#include <cassert>
#include <functional>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

namespace FB::Npapi {

NpapiBrowserHost::NpapiBrowserHost(NpapiPluginModulePtr module, NPP npp) : m_module(std::move(module)), m_npp(npp) {}

NpapiBrowserHost::~NpapiBrowserHost() = default;

std::shared_ptr<NpapiBrowserHost> NpapiBrowserHost::sharedNpapiHost() {
    return std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
}

const NPNetscapeFuncs& NpapiBrowserHost::funcs() const {
    assert(onMainThread() && "the browser's functions are called on its main thread only");
    return m_browserFuncs;
}

void NpapiBrowserHost::setBrowserFuncs(const NPNetscapeFuncs* browserFuncs) {
    copyNetscapeFuncs(&m_browserFuncs, browserFuncs);
    m_asyncCall = m_browserFuncs.pluginthreadasynccall;
    fetchPageObjects();
    if (m_htmlWin) {
        JSObjectPtr document = m_htmlWin->GetProperty("document").convertTo<JSObjectPtr>();
        m_htmlDoc = std::dynamic_pointer_cast<NPObjectAPI>(document);
    }
}

// The references the browser hands out with its answers are given back once the proxies hold
// their own.
void NpapiBrowserHost::fetchPageObjects() {
    if (!funcs().getvalue) return;
    NPObject* window = nullptr;
    NPObject* element = nullptr;
    GetValue(NPNVWindowNPObject, &window);
    GetValue(NPNVPluginElementNPObject, &element);
    auto adopt = [this](NPObject* object) -> NPObjectAPIPtr {
        if (!object) return nullptr;
        const std::unique_ptr<NPObject, std::function<void(NPObject*)>> given(
            object, [this](NPObject* o) { ReleaseObject(o); });
        return std::make_shared<NPObjectAPI>(object, sharedNpapiHost());
    };
    try {
        m_htmlWin = adopt(window);
    } catch (...) {
        ReleaseObject(element);
        throw;
    }
    m_htmlElement = adopt(element);
}

DOM::DocumentPtr NpapiBrowserHost::documentObject() {
    if (!m_htmlDoc) throw std::runtime_error("Cannot find HTML document");
    return DOM::Document::fromJSObject(m_htmlDoc);
}

DOM::WindowPtr NpapiBrowserHost::windowObject() {
    if (!m_htmlWin) throw std::runtime_error("Cannot find HTML window");
    return DOM::Window::fromJSObject(m_htmlWin);
}

DOM::ElementPtr NpapiBrowserHost::elementObject() {
    if (!m_htmlElement) throw std::runtime_error("Cannot find HTML window");
    return DOM::Element::fromJSObject(m_htmlElement);
}

void NpapiBrowserHost::navigate(const std::string& url, const std::string& target) {
    PushPopupsEnabledState(true);
    GetURL(url.c_str(), target.c_str());
    PopPopupsEnabledState();
}

void NpapiBrowserHost::runScriptText(const std::string& script) {
    if (!m_htmlWin) throw std::runtime_error("Cannot find HTML window");
    ScopedNPVariant text(*this);
    getNPVariant(text.get(), variant(script));
    ScopedNPVariant result(*this);
    if (!Evaluate(m_htmlWin->getNPObject(), &text.get()->value.stringValue, result.get())) {
        throw script_error("Error executing JavaScript code");
    }
}

void NpapiBrowserHost::shutdown() {
    if (isShutDown()) return;
    m_browserFuncs = NPNetscapeFuncs{};
    m_asyncCall = nullptr;
    BrowserHost::shutdown();
    forgetStreams();
    m_htmlWin.reset();
    m_htmlElement.reset();
    m_htmlDoc.reset();
}

void NpapiBrowserHost::releaseDeferredObjects() {
    if (!onMainThread()) return;
    NPObject* object = nullptr;
    while (m_deferredObjects.try_pop(object)) ReleaseObject(object);
    for (auto entry = m_cachedNPObject.begin(); entry != m_cachedNPObject.end();) {
        entry = entry->second.expired() ? m_cachedNPObject.erase(entry) : std::next(entry);
    }
}

void NpapiBrowserHost::deferRelease(NPObject* object) {
    m_deferredObjects.push(object);
    if (onMainThread()) releaseDeferredObjects();
}

bool NpapiBrowserHost::detectProxySettings(std::map<std::string, std::string>& settings, const std::string& url) {
    if (!funcs().getvalueforurl) return BrowserHost::detectProxySettings(settings, url);
    char* value = nullptr;
    uint32_t length = 0;
    const NPError result = GetValueForURL(url.c_str(), &value, &length);
    if (result == NPERR_INCOMPATIBLE_VERSION_ERROR) return BrowserHost::detectProxySettings(settings, url);
    if (result != NPERR_NO_ERROR) return false;
    const std::string answer = value ? std::string(value, length) : std::string();
    MemFree(value);
    return readBrowserProxyAnswer(answer, url, settings);
}

bool NpapiBrowserHost::postAsyncCall(AsyncCallFunction fn, void* userData) {
    if (isShutDown()) return false;
    const NPN_PluginThreadAsyncCallProcPtr asyncCall = m_asyncCall.load();
    if (!asyncCall) return false;
    asyncCall(m_npp, fn, userData);
    return true;
}

BrowserStreamPtr NpapiBrowserHost::createStreamImpl(const std::string& url, const PluginEventSinkPtr& sink, bool cache,
                                                    bool seekable, uint32_t internalBufferSize) {
    return requestStream(url, sink, cache, seekable, internalBufferSize, nullptr);
}

// The block is sent exactly as built; its Content-Length counts the post data only.
BrowserStreamPtr NpapiBrowserHost::createPostStreamImpl(const std::string& url, const PluginEventSinkPtr& sink,
                                                        const std::string& postData, bool cache, bool seekable,
                                                        uint32_t internalBufferSize) {
    const std::string block =
        "Content-type: application/x-www-form-urlencoded\nContent-Length: " + std::to_string(postData.size()) + "\n\n" +
        postData;
    if (block.size() > std::numeric_limits<uint32_t>::max()) return nullptr;
    return requestStream(url, sink, cache, seekable, internalBufferSize, &block);
}

// The stream travels to the browser as the request's notify data, which the NPP stream callbacks
// hand back; it is registered first, as a browser may answer within the request.
BrowserStreamPtr NpapiBrowserHost::requestStream(const std::string& url, const PluginEventSinkPtr& sink, bool cache,
                                                 bool seekable, uint32_t internalBufferSize,
                                                 const std::string* postBlock) {
    auto stream = std::make_shared<NpapiStream>(url, cache, seekable, internalBufferSize, sharedNpapiHost());
    if (sink) stream->addObserver(sink);
    {
        std::lock_guard<std::mutex> guard(m_streamsLock);
        std::erase_if(m_streams, [](const auto& entry) { return entry.second.expired(); });
        m_streams[stream.get()] = stream;
    }
    const NPError result = postBlock ? PostURLNotify(url.c_str(), static_cast<uint32_t>(postBlock->size()),
                                                     postBlock->data(), stream.get())
                                     : GetURLNotify(url.c_str(), stream.get());
    if (result != NPERR_NO_ERROR) {
        std::lock_guard<std::mutex> guard(m_streamsLock);
        m_streams.erase(stream.get());
        return nullptr;
    }
    stream->setSelfReference();
    StreamCreatedEvent created(stream.get());
    stream->broadcastEvent(&created);
    return stream;
}

NpapiStreamPtr NpapiBrowserHost::streamFromNotifyData(void* notifyData) {
    if (!notifyData) return nullptr;
    std::lock_guard<std::mutex> guard(m_streamsLock);
    auto found = m_streams.find(notifyData);
    if (found == m_streams.end()) return nullptr;
    NpapiStreamPtr stream = found->second.lock();
    if (!stream) m_streams.erase(found);
    return stream;
}

// After the instance is gone the browser reports nothing more of its streams: they let go of
// themselves.
void NpapiBrowserHost::forgetStreams() {
    std::vector<NpapiStreamPtr> live;
    {
        std::lock_guard<std::mutex> guard(m_streamsLock);
        for (const auto& entry : m_streams) {
            if (NpapiStreamPtr stream = entry.second.lock()) live.push_back(std::move(stream));
        }
        m_streams.clear();
    }
    for (const NpapiStreamPtr& stream : live) stream->releaseSelfReference();
}

NPError NpapiBrowserHost::GetValueForURL(const char* url, char** value, uint32_t* len) const {
    const auto& f = funcs();
    return f.getvalueforurl ? f.getvalueforurl(m_npp, NPNURLVProxy, url, value, len)
                            : NPError(NPERR_INCOMPATIBLE_VERSION_ERROR);
}

void NpapiBrowserHost::SetException(NPObject* object, const NPUTF8* message) const {
    if (funcs().setexception) funcs().setexception(object, message);
}

bool NpapiBrowserHost::Construct(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) const {
    return funcs().construct && funcs().construct(m_npp, object, args, argCount, result);
}

bool NpapiBrowserHost::Enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) const {
    return funcs().enumerate && funcs().enumerate(m_npp, object, identifiers, count);
}

bool NpapiBrowserHost::HasMethod(NPObject* object, NPIdentifier name) const {
    return funcs().hasmethod && funcs().hasmethod(m_npp, object, name);
}

bool NpapiBrowserHost::HasProperty(NPObject* object, NPIdentifier name) const {
    return funcs().hasproperty && funcs().hasproperty(m_npp, object, name);
}

bool NpapiBrowserHost::RemoveProperty(NPObject* object, NPIdentifier name) const {
    return funcs().removeproperty && funcs().removeproperty(m_npp, object, name);
}

bool NpapiBrowserHost::SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) const {
    return funcs().setproperty && funcs().setproperty(m_npp, object, name, value);
}

bool NpapiBrowserHost::GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) const {
    return funcs().getproperty && funcs().getproperty(m_npp, object, name, result);
}

bool NpapiBrowserHost::Evaluate(NPObject* object, NPString* script, NPVariant* result) const {
    return funcs().evaluate && funcs().evaluate(m_npp, object, script, result);
}

bool NpapiBrowserHost::InvokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount,
                                     NPVariant* result) const {
    return funcs().invokeDefault && funcs().invokeDefault(m_npp, object, args, argCount, result);
}

bool NpapiBrowserHost::Invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                              NPVariant* result) const {
    return funcs().invoke && funcs().invoke(m_npp, object, name, args, argCount, result);
}

NPObject* NpapiBrowserHost::CreateObject() const {
    return funcs().createobject ? funcs().createobject(m_npp, &NPJavascriptObject::NPJavascriptObjectClass) : nullptr;
}

void NpapiBrowserHost::PluginThreadAsyncCall(void (*func)(void*), void* userData) const {
    if (funcs().pluginthreadasynccall) funcs().pluginthreadasynccall(m_npp, func, userData);
}

void NpapiBrowserHost::PushPopupsEnabledState(NPBool enabled) const {
    if (funcs().pushpopupsenabledstate) funcs().pushpopupsenabledstate(m_npp, enabled);
}

void NpapiBrowserHost::PopPopupsEnabledState() const {
    if (funcs().poppopupsenabledstate) funcs().poppopupsenabledstate(m_npp);
}

NPError NpapiBrowserHost::GetValue(NPNVariable variable, void* value) const {
    return funcs().getvalue ? funcs().getvalue(m_npp, variable, value) : NPError(NPERR_GENERIC_ERROR);
}

NPError NpapiBrowserHost::SetValue(NPPVariable variable, void* value) const {
    return funcs().setvalue ? funcs().setvalue(m_npp, variable, value) : NPError(NPERR_GENERIC_ERROR);
}

void NpapiBrowserHost::InvalidateRect(NPRect* rect) const {
    if (funcs().invalidaterect) funcs().invalidaterect(m_npp, rect);
}

void NpapiBrowserHost::InvalidateRect2(NPRect rect) const { InvalidateRect(&rect); }

NPError NpapiBrowserHost::DestroyStream(NPStream* stream) const {
    return funcs().destroystream ? funcs().destroystream(m_npp, stream, NPRES_USER_BREAK)
                                 : NPError(NPERR_GENERIC_ERROR);
}

int32_t NpapiBrowserHost::Write(NPStream* stream, int32_t len, void* buffer) const {
    return funcs().write ? funcs().write(m_npp, stream, len, buffer) : 0;
}

NPError NpapiBrowserHost::RequestRead(NPStream* stream, NPByteRange* rangeList) const {
    return funcs().requestread ? funcs().requestread(stream, rangeList) : NPError(NPERR_GENERIC_ERROR);
}

NPError NpapiBrowserHost::PostURLNotify(const char* url, uint32_t len, const char* buf, void* notifyData) const {
    return funcs().posturlnotify ? funcs().posturlnotify(m_npp, url, nullptr, len, buf, false, notifyData)
                                 : NPError(NPERR_GENERIC_ERROR);
}

NPError NpapiBrowserHost::GetURL(const char* url, const char* target) const {
    return funcs().geturl ? funcs().geturl(m_npp, url, target) : NPError(NPERR_GENERIC_ERROR);
}

NPError NpapiBrowserHost::GetURLNotify(const char* url, void* notifyData) const {
    return funcs().geturlnotify ? funcs().geturlnotify(m_npp, url, nullptr, notifyData) : NPError(NPERR_GENERIC_ERROR);
}

const char* NpapiBrowserHost::UserAgent() const { return funcs().uagent ? funcs().uagent(m_npp) : nullptr; }

}  // namespace FB::Npapi
