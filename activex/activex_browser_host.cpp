#include "activex/activex_browser_host.h"

#include "activex/activex_factory_hooks.h"
#include "activex/activex_stream.h"
#include "activex/com_javascript_object.h"
#include "activex/idispatch_api.h"
#include "host/factory_base.h"
#include "host/events/stream_events.h"
#include "host/framework_log.h"
#include "scripting/utf8_tools.h"

#include <cassert>
#include <stdexcept>

namespace FB::ActiveX {

ActiveXBrowserHost::ActiveXBrowserHost(IWebBrowser2* webBrowser, IOleClientSite* clientSite)
    : m_messageWindow(std::make_unique<WinMessageWindow>()) {
    registerActiveXFactoryHooks();
    resume(webBrowser, clientSite);
}

ActiveXBrowserHost::~ActiveXBrowserHost() {
    try {
        if (!isShutDown()) shutdown();
    } catch (...) {
        frameworkLog("ActiveXHost", "Shutting down the host failed");
    }
}

std::shared_ptr<ActiveXBrowserHost> ActiveXBrowserHost::sharedActiveXHost() {
    return std::static_pointer_cast<ActiveXBrowserHost>(shared_from_this());
}

void ActiveXBrowserHost::resume(IWebBrowser2* webBrowser, IOleClientSite* clientSite) {
    if (m_webBrowser.get() != webBrowser) m_webBrowser = ComPtr<IWebBrowser2>(webBrowser);
    if (m_clientSite.get() != clientSite) m_clientSite = ComPtr<IOleClientSite>(clientSite);
    if (!m_webBrowser || m_document) return;
    if (m_webBrowser->get_Document(m_document.put()) < 0) m_document.reset();
    const ComPtr<IHTMLDocument2> htmlDocument = m_document.query<IHTMLDocument2>(IID_IHTMLDocument2);
    if (htmlDocument && htmlDocument->get_parentWindow(m_window.put()) < 0) m_window.reset();
}

void ActiveXBrowserHost::suspend() {
    m_webBrowser.reset();
    m_clientSite.reset();
    m_document.reset();
    m_window.reset();
    m_domWindow.reset();
    m_domDocument.reset();
    releaseDeferredObjects();
}

void ActiveXBrowserHost::initDOMObjects() {
    assert(onMainThread() && "the page's objects are reached on the browser's main thread");
    if (!m_domWindow && m_window) {
        m_domWindow = createDOMWindow(IDispatchAPI::create(m_window.get(), sharedActiveXHost()));
    }
    if (!m_domDocument && m_document) {
        m_domDocument = createDOMDocument(IDispatchAPI::create(m_document.get(), sharedActiveXHost()));
    }
}

DOM::WindowPtr ActiveXBrowserHost::windowObject() {
    initDOMObjects();
    return m_domWindow;
}

DOM::DocumentPtr ActiveXBrowserHost::documentObject() {
    initDOMObjects();
    return m_domDocument;
}

DOM::ElementPtr ActiveXBrowserHost::elementObject() {
    const ComPtr<IOleControlSite> site = m_clientSite.query<IOleControlSite>(IID_IOleControlSite);
    ComPtr<IDispatch> control;
    if (!site || site->GetExtendedControl(control.put()) < 0 || !control) return nullptr;
    const ComPtr<IHTMLElement2> element = control.query<IHTMLElement2>(IID_IHTMLElement2);
    if (!element) return nullptr;
    return DOM::Element::fromJSObject(IDispatchAPI::create(element.get(), sharedActiveXHost()));
}

// Script text travels as UTF-16 (wide) text, never through a code page that cannot hold it.
void ActiveXBrowserHost::runScriptText(const std::string& script) {
    if (!m_window) throw script_error("Can't execute JavaScript: Window is NULL");
    const ScopedBstr code(utf8ToWide(script));
    const ScopedBstr language(L"javascript");
    ScopedVariant result;
    if (m_window->execScript(code.get(), language.get(), result.get()) < 0) {
        throw script_error("Error executing JavaScript code");
    }
}

void ActiveXBrowserHost::navigate(const std::string& url, const std::string& target) {
    if (!m_webBrowser) return;
    const ScopedBstr address(utf8ToWide(url));
    ScopedVariant frame;
    frame.get()->bstrVal = ScopedBstr(utf8ToWide(target)).detach();
    frame.get()->vt = VT_BSTR;
    ScopedVariant flags, postData, headers;
    m_webBrowser->Navigate(address.get(), flags.get(), frame.get(), postData.get(), headers.get());
}

bool ActiveXBrowserHost::postAsyncCall(AsyncCallFunction fn, void* userData) {
    std::shared_lock<std::shared_mutex> guard(m_shutdownLock);
    if (isShutDown() || !m_messageWindow) return false;
    frameworkLog("ActiveXHost", "Scheduling async call for main thread");
    return m_messageWindow->postCall(fn, userData);
}

void ActiveXBrowserHost::shutdown() {
    if (isShutDown()) return;
    {
        // No post can find the window from here on; calls it still carried are freed unrun, and the
        // base's shutdown settles them.
        std::unique_lock<std::shared_mutex> guard(m_shutdownLock);
        m_messageWindow.reset();
    }
    releaseAllHeldObjects();
    BrowserHost::shutdown();
    suspend();
}

DispatchWeakReference ActiveXBrowserHost::getIDispatchRef(IDispatch* object) {
    assert(onMainThread() && "page objects are taken on the browser's main thread");
    if (!object) throw std::invalid_argument("A page object is needed");
    auto reference = std::make_shared<ShareableReference<IDispatch>>(object);
    object->AddRef();
    std::lock_guard<std::mutex> guard(m_heldLock);
    m_heldObjects.push_back(reference);
    return reference;
}

void ActiveXBrowserHost::deferReleaseIDispatch(const DispatchWeakReference& reference) {
    m_deferredObjects.push(reference);
    if (onMainThread()) releaseDeferredObjects();
}

void ActiveXBrowserHost::releaseDeferredObjects() {
    if (!onMainThread()) return;
    DispatchWeakReference queued;
    while (m_deferredObjects.try_pop(queued)) {
        const DispatchReference reference = queued.lock();
        if (!reference) continue;
        bool held = false;
        {
            std::lock_guard<std::mutex> guard(m_heldLock);
            const auto before = m_heldObjects.size();
            m_heldObjects.remove(reference);
            held = m_heldObjects.size() != before;
        }
        if (held) reference->getPtr()->Release();
    }
    std::erase_if(m_cachedWrappers, [](const auto& entry) { return entry.second.expired(); });
}

void ActiveXBrowserHost::releaseAllHeldObjects() {
    std::list<DispatchReference> held;
    {
        std::lock_guard<std::mutex> guard(m_heldLock);
        held.swap(m_heldObjects);
    }
    for (const DispatchReference& reference : held) reference->getPtr()->Release();
}

namespace {

// True when the wrapper shows exactly this live scripting object: a wrapper found by address may
// belong to an object that died, a new one having come to live at its address.
bool wrapsObject(IDispatchEx* wrapper, const JSAPIPtr& object) {
    auto* base = dynamic_cast<JSAPI_IDispatchExBase*>(wrapper);
    try {
        return base && base->getAPI() == object;
    } catch (const std::bad_cast&) {
        return false;
    }
}

}  // namespace

IDispatchEx* ActiveXBrowserHost::getJSAPIWrapper(const JSAPIWeakPtr& api, bool autoRelease) {
    assert(onMainThread() && "the wrapper cache is used on the browser's main thread");
    const FactoryBasePtr factory = sharedFactory();
    const JSAPIPtr object = api.lock();
    if (!object) return factory->createCOMJSObject(shared_from_this(), api, false);
    if (const auto found = m_cachedWrappers.find(object.get()); found != m_cachedWrappers.end()) {
        const auto reference = found->second.lock();
        if (reference && wrapsObject(reference->getPtr(), object)) {
            reference->getPtr()->AddRef();
            return reference->getPtr();
        }
        m_cachedWrappers.erase(found);
    }
    IDispatchEx* made = factory->createCOMJSObject(shared_from_this(), api, autoRelease);
    if (made) {
        if (auto reference = getCOMJavascriptObject(made)) m_cachedWrappers[object.get()] = reference;
    }
    return made;
}

BrowserStreamPtr ActiveXBrowserHost::createStreamImpl(const std::string& url, const PluginEventSinkPtr& sink, bool cache,
                                                      bool seekable, uint32_t internalBufferSize) {
    return startStream(std::make_shared<ActiveXStream>(url, cache, seekable, internalBufferSize), sink);
}

BrowserStreamPtr ActiveXBrowserHost::createPostStreamImpl(const std::string& url, const PluginEventSinkPtr& sink,
                                                          const std::string& postData, bool cache, bool seekable,
                                                          uint32_t internalBufferSize) {
    return startStream(std::make_shared<ActiveXStream>(url, cache, seekable, internalBufferSize, postData), sink);
}

// A seekable stream is open from the start, so that ranges can be asked for at once.
BrowserStreamPtr ActiveXBrowserHost::startStream(const std::shared_ptr<ActiveXStream>& stream,
                                                 const PluginEventSinkPtr& sink) {
    if (sink) stream->addObserver(sink);
    if (!stream->init()) return nullptr;
    StreamCreatedEvent created(stream.get());
    stream->broadcastEvent(&created);
    if (stream->isSeekable()) stream->signalOpened();
    return stream;
}

}  // namespace FB::ActiveX
