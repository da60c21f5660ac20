// The browser-neutral face of one page towards the plug-in. It runs work on the browser's main
// thread (the thread that constructed it), keeps plug-in objects alive while the page refers to
// them, evaluates script and calls page functions later through a page-side helper, logs to the
// page's console, opens browser streams, reports the system proxy and wraps page objects as DOM
// objects. Each browser binding derives from it and supplies what needs the real browser. Page
// objects and DOM wrappers reach it as their PageObjectHost.
#pragma once

#include "host/async_call_manager.h"
#include "host/browser_stream.h"
#include "host/browser_stream_manager.h"
#include "host/plugin_event_sink.h"
#include "scripting/jsapi.h"
#include "scripting/js_object.h"
#include "scripting/dom_document.h"
#include "scripting/dom_element.h"
#include "scripting/dom_node.h"
#include "scripting/dom_window.h"
#include "scripting/page_object_host.h"

#include <boost/thread/locks.hpp>
#include <boost/thread/shared_mutex.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace FB {

struct ConsoleLogRequest;

class BrowserHost : public PageObjectHost, public std::enable_shared_from_this<BrowserHost> {
public:
    BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;
    // Does not shut down: the bindings and the plug-in core do that first.
    ~BrowserHost() override;

    virtual void* getBrowserContext() = 0;
    virtual BrowserStreamPtr openStream(const std::string& url, const PluginEventSinkPtr& sink, bool cache = true,
                                        bool seekable = false, uint32_t internalBufferSize = 128 * 1024);
    virtual BrowserStreamPtr createPostStream(const std::string& url, const PluginEventSinkPtr& sink,
                                              const std::string& postData, bool cache = true, bool seekable = false,
                                              uint32_t internalBufferSize = 128 * 1024);
    virtual DOM::DocumentPtr documentObject() = 0;
    virtual DOM::WindowPtr windowObject() = 0;
    virtual DOM::ElementPtr elementObject() = 0;
    virtual void navigate(const std::string& url, const std::string& target);
    virtual void runScriptText(const std::wstring& script);
    virtual void runScriptText(const std::string& script) = 0;
    // Installs window.__FB_CALL_<id>, the page function that relays delayed calls.
    virtual void installCallHelper(const void* key);
    virtual void logToPage(const std::string& message);
    virtual void setHtmlLogEnabled(bool enabled);
    virtual void shutdown();
    virtual void releaseDeferredObjects() = 0;
    virtual bool detectProxySettings(std::map<std::string, std::string>& settings, const std::string& url);
    // The four wrap a page object; a null object gives an empty wrapper pointer.
    DOM::WindowPtr createDOMWindow(const JSObjectPtr& object) override;
    DOM::DocumentPtr createDOMDocument(const JSObjectPtr& object) override;
    DOM::ElementPtr createDOMElement(const JSObjectPtr& object) override;
    DOM::NodePtr createDOMNode(const JSObjectPtr& object) override;
    // Hand (fn, userData) to the browser so that fn(userData) runs once on the main thread.
    virtual bool postAsyncCall(AsyncCallFunction fn, void* userData) = 0;
    virtual BrowserStreamPtr createStreamImpl(const std::string& url, const PluginEventSinkPtr& sink, bool cache,
                                              bool seekable, uint32_t internalBufferSize) = 0;
    virtual BrowserStreamPtr createPostStreamImpl(const std::string& url, const PluginEventSinkPtr& sink,
                                                  const std::string& postData, bool cache, bool seekable,
                                                  uint32_t internalBufferSize) = 0;

    bool onMainThread() const { return std::this_thread::get_id() == m_mainThreadId; }
    bool isShutDown() const { return m_isShutDown.load(); }
    // False, with nothing queued, once the host is shut down or when the binding cannot post.
    // True means fn(userData) runs exactly once: from its message, or during shutdown. Given a
    // discard function, the host owns userData from the call on and frees it with that function
    // whenever fn will not run; posted_record.h wraps this for typed records.
    bool postToMainThread(AsyncCallFunction fn, void* userData, AsyncCallFunction discard = nullptr);

    // Cross-thread front ends; defined in cross_thread_call.h.
    template <typename F>
    std::invoke_result_t<F&> runOnMainThread(F boundCall);
    template <typename K, typename F>
    void queueOnMainThread(const std::shared_ptr<K>& reference, F boundCall);
    template <typename F>
    void queueOnMainThread(F boundCall);
    // The page objects' deferred calls: queueOnMainThread with the page object kept.
    void queueCallOnMainThread(const JSObjectPtr& reference, std::function<void()> call) override;

    // Calls func (or its member fname) through the page helper after `delay` ms; -1 without a
    // window or helper.
    int InvokeDelayed(int delay, const JSObjectPtr& func, const VariantList& args, const std::string& fname) override;
    JSObjectPtr getCallHelper();
    // The page's window, or empty when the page has none (no wrapper, or one holding no object).
    DOM::WindowPtr pageWindow();

    void keepObject(const JSAPIPtr& object);
    void dropObject(const JSAPIPtr& object);
    void freeRetainedObjects();

    // The main-thread half of logToPage.
    static void logToConsole(ConsoleLogRequest& request);

    // The id and helper name the page helper gets for a key (its 32-bit address value).
    static uint32_t callHelperIdFor(const void* key);

protected:
    // Empty once the host has shut down. Any thread.
    std::shared_ptr<BrowserStreamManager> streamManager() const;
    mutable boost::upgrade_mutex m_callLock;

private:
    // Hands a stream the binding made to the manager, which keeps it until it completes.
    void retainStream(const BrowserStreamPtr& stream);

    std::shared_ptr<AsyncCallManager> m_asyncCallManager;
    std::thread::id m_mainThreadId;
    std::atomic<bool> m_isShutDown{false};
    std::recursive_mutex m_retainLock;
    std::list<JSAPIPtr> m_retainedObjects;
    // Streams are opened from any thread while the main thread's shutdown releases the manager.
    mutable std::mutex m_streamManagerLock;
    std::shared_ptr<BrowserStreamManager> m_streamManager;
    // Switched on one thread, read by logToPage on any.
    std::atomic<bool> m_htmlLogEnabled{true};
    std::string m_callHelperId;
    std::string m_callHelperName;
};

using BrowserHostPtr = std::shared_ptr<BrowserHost>;

}  // namespace FB

#include "host/cross_thread_call.h"
