#include "host/browser_host.h"

#include "host/framework_log.h"
#include "host/posted_record.h"
#include "host/system_proxy_detector.h"
#include "scripting/utf8_tools.h"

#include <cstdio>
#include <utility>

namespace FB {

namespace {

// Relays delayed calls from a zero- or more-millisecond page timer, so that page functions never
// run inside the plug-in's own call stack. One line; the runs of blanks are part of the text.
constexpr const char* kCallHelperScript =
    "window.__FB_CALL_%1% = function(delay, f, args, fname) {   if (arguments.length == 3)       "
    "return setTimeout(function() { f.apply(null, args); }, delay);   else       "
    "return setTimeout(function() { f[fname].apply(f, args); }, delay);};";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

struct ConsoleLogRequest {
    BrowserHostPtr host;
    std::string message;
};

BrowserHost::BrowserHost()
    : m_asyncCallManager(std::make_shared<AsyncCallManager>()),
      m_mainThreadId(std::this_thread::get_id()),
      m_streamManager(std::make_shared<BrowserStreamManager>()) {}

BrowserHost::~BrowserHost() = default;

bool BrowserHost::postToMainThread(AsyncCallFunction fn, void* userData, AsyncCallFunction discard) {
    // User data that comes with a discard function is freed here until the manager holds it.
    std::unique_ptr<void, AsyncCallFunction> unqueued(discard ? userData : nullptr, discard);
    if (isShutDown()) return false;
    AsyncCallDataPtr record = m_asyncCallManager->registerCall(fn, userData, discard);
    if (!record) return false;
    unqueued.release();
    if (postAsyncCall(&AsyncCallManager::runCall, AsyncCallManager::tokenOf(record))) return true;
    // A binding that refuses because the host has just shut down may do so after the shutdown
    // took the record: the call then runs (or ran) there, once, and its user data is no longer
    // the caller's to free. Otherwise the manager withdraws it, discarding what it owns.
    return !m_asyncCallManager->unregisterCall(record);
}

void BrowserHost::navigate(const std::string&, const std::string&) {}

void BrowserHost::runScriptText(const std::wstring& script) { runScriptText(wideToUtf8(script)); }

uint32_t BrowserHost::callHelperIdFor(const void* key) {
    auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
    return address + (address >> 3);
}

void BrowserHost::installCallHelper(const void* key) {
    std::string id = std::to_string(callHelperIdFor(key));
    m_callHelperId = id;
    m_callHelperName = "__FB_CALL_" + id;
    runScriptText(replaceAll(kCallHelperScript, "%1%", id));
}

DOM::WindowPtr BrowserHost::pageWindow() {
    DOM::WindowPtr window = windowObject();
    return window && window->getJSObject() ? window : DOM::WindowPtr();
}

JSObjectPtr BrowserHost::getCallHelper() {
    DOM::WindowPtr window = pageWindow();
    if (!window) return {};
    if (m_callHelperName.empty()) installCallHelper(this);
    JSObjectPtr helper = window->getProperty<JSObjectPtr>(m_callHelperName);
    if (!helper) {
        // The page lost it (for example after navigating); put it back once.
        installCallHelper(this);
        helper = window->getProperty<JSObjectPtr>(m_callHelperName);
    }
    return helper;
}

int BrowserHost::InvokeDelayed(int delay, const JSObjectPtr& func, const VariantList& args, const std::string& fname) {
    JSObjectPtr helper = getCallHelper();
    if (!helper) return -1;
    VariantList helperArgs{variant(delay), variant(func), variant(args)};
    if (!fname.empty()) helperArgs.push_back(variant(fname));
    return helper->Invoke("", helperArgs).convertTo<int>();
}

void BrowserHost::logToPage(const std::string& message) {
    frameworkLog("BrowserHost", "Logging to HTML: " + message);
    if (!m_htmlLogEnabled) return;
    // A refused post drops the message.
    postRecordToMainThread<&BrowserHost::logToConsole>(
        *this, std::make_unique<ConsoleLogRequest>(ConsoleLogRequest{shared_from_this(), message}));
}

void BrowserHost::logToConsole(ConsoleLogRequest& request) {
    try {
        DOM::WindowPtr window = request.host->pageWindow();
        if (!window || !window->getJSObject()->HasProperty("console")) return;
        std::printf("Logging: %s\n", request.message.c_str());
        JSObjectPtr console = window->getProperty<JSObjectPtr>("console");
        if (console) console->Invoke("log", VariantList{variant(request.message)});
    } catch (...) {
        frameworkLog("BrowserHost", "Logging to browser console failed");
    }
}

void BrowserHost::setHtmlLogEnabled(bool enabled) { m_htmlLogEnabled = enabled; }

void BrowserHost::keepObject(const JSAPIPtr& object) {
    std::lock_guard<std::recursive_mutex> guard(m_retainLock);
    m_retainedObjects.push_back(object);
}

void BrowserHost::dropObject(const JSAPIPtr& object) {
    std::lock_guard<std::recursive_mutex> guard(m_retainLock);
    m_retainedObjects.remove(object);
    if (onMainThread()) releaseDeferredObjects();
}

void BrowserHost::freeRetainedObjects() {
    std::lock_guard<std::recursive_mutex> guard(m_retainLock);
    m_retainedObjects.clear();
    releaseDeferredObjects();
}

void BrowserHost::shutdown() {
    std::list<JSAPIPtr> retained;
    {
        std::lock_guard<std::recursive_mutex> guard(m_retainLock);
        retained = m_retainedObjects;
    }
    for (const JSAPIPtr& object : retained) object->shutdown();
    retained.clear();
    freeRetainedObjects();

    // Upgradable, not exclusive: threads holding the lock shared while they wait for a marshalled
    // call keep running and notice the flag within their 10 ms wait slice.
    boost::upgrade_lock<boost::upgrade_mutex> guard(m_callLock);
    m_isShutDown = true;
    m_asyncCallManager->shutdown();
    std::shared_ptr<BrowserStreamManager> released;
    {
        std::lock_guard<std::mutex> streamGuard(m_streamManagerLock);
        released.swap(m_streamManager);
    }
    // The manager closes the streams it still holds as it goes, outside the lock: closing sends
    // events to the plug-in.
    released.reset();
}

std::shared_ptr<BrowserStreamManager> BrowserHost::streamManager() const {
    std::lock_guard<std::mutex> guard(m_streamManagerLock);
    return m_streamManager;
}

bool BrowserHost::detectProxySettings(std::map<std::string, std::string>& settings, const std::string& url) {
    return SystemProxyDetector::get()->detectProxy(settings, url);
}

void BrowserHost::retainStream(const BrowserStreamPtr& stream) {
    // After shutdown there is no manager: the stream is the plug-in's alone.
    if (std::shared_ptr<BrowserStreamManager> manager = streamManager(); stream && manager) {
        manager->retainStream(stream);
    }
}

BrowserStreamPtr BrowserHost::openStream(const std::string& url, const PluginEventSinkPtr& sink, bool cache,
                                         bool seekable, uint32_t internalBufferSize) {
    BrowserStreamPtr stream = createStreamImpl(url, sink, cache, seekable, internalBufferSize);
    retainStream(stream);
    return stream;
}

BrowserStreamPtr BrowserHost::createPostStream(const std::string& url, const PluginEventSinkPtr& sink,
                                               const std::string& postData, bool cache, bool seekable,
                                               uint32_t internalBufferSize) {
    BrowserStreamPtr stream = createPostStreamImpl(url, sink, postData, cache, seekable, internalBufferSize);
    retainStream(stream);
    return stream;
}

namespace {

// A wrapper of the kind around a page object; none around a missing one.
template <typename Wrapper>
std::shared_ptr<Wrapper> wrapPageObject(const JSObjectPtr& object) {
    return object ? std::make_shared<Wrapper>(object) : nullptr;
}

}  // namespace

DOM::WindowPtr BrowserHost::createDOMWindow(const JSObjectPtr& object) { return wrapPageObject<DOM::Window>(object); }

DOM::DocumentPtr BrowserHost::createDOMDocument(const JSObjectPtr& object) {
    return wrapPageObject<DOM::Document>(object);
}

DOM::ElementPtr BrowserHost::createDOMElement(const JSObjectPtr& object) {
    return wrapPageObject<DOM::Element>(object);
}

DOM::NodePtr BrowserHost::createDOMNode(const JSObjectPtr& object) { return wrapPageObject<DOM::Node>(object); }

void BrowserHost::queueCallOnMainThread(const JSObjectPtr& reference, std::function<void()> call) {
    queueOnMainThread(reference, std::move(call));
}

}  // namespace FB
