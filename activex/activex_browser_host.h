// The browser host of one ActiveX control: how the framework and the application reach the page
// through the container's COM objects (the web browser, the page's document and window, the
// control's site), script evaluation, navigation, main-thread calls through a hidden message
// window, the conversion of values between the page and the plug-in, the page objects the plug-in's
// proxies use (kept with one COM reference each and released on the main thread only), and the COM
// wrapper made for each of the plug-in's scripting objects.
//
// Made by the control on the browser's main thread when it gets its client site. COM calls, DOM
// access, script, navigation and value conversion belong to that thread; postAsyncCall and
// deferReleaseIDispatch may be called from any thread.
#pragma once

#include "activex/com_owners.h"
#include "host/browser_host.h"
#include "host/locked_queue.h"
#include "host/shareable_reference.h"
#include "host/win_message_window.h"
#include "platform/com/dispex.h"
#include "platform/com/exdisp.h"
#include "platform/com/mshtml.h"
#include "platform/com/oleidl.h"

#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

namespace FB::ActiveX {

class ActiveXStream;

using DispatchReference = std::shared_ptr<ShareableReference<IDispatch>>;
using DispatchWeakReference = std::weak_ptr<ShareableReference<IDispatch>>;

class ActiveXBrowserHost : public BrowserHost {
public:
    // Either may be null. Throws std::runtime_error when the message window cannot be made.
    ActiveXBrowserHost(IWebBrowser2* webBrowser, IOleClientSite* clientSite);
    ~ActiveXBrowserHost() override;

    void* getBrowserContext() override { return this; }
    // Empty while the page has no document or window.
    DOM::DocumentPtr documentObject() override;
    DOM::WindowPtr windowObject() override;
    // The plug-in's own element; empty without a client site that gives one.
    DOM::ElementPtr elementObject() override;
    void navigate(const std::string& url, const std::string& target) override;
    using BrowserHost::runScriptText;
    // script_error "Can't execute JavaScript: Window is NULL" without a window, "Error executing
    // JavaScript code" when the window refuses the script.
    void runScriptText(const std::string& script) override;
    void shutdown() override;
    // Main thread: releases the page objects whose proxies went, then forgets the wrappers of
    // scripting objects that are gone. Elsewhere it does nothing.
    void releaseDeferredObjects() override;
    // False once shut down: nothing is posted then.
    bool postAsyncCall(AsyncCallFunction fn, void* userData) override;
    // URL-moniker streams: no stream when the first transfer cannot start.
    BrowserStreamPtr createStreamImpl(const std::string& url, const PluginEventSinkPtr& sink, bool cache, bool seekable,
                                      uint32_t internalBufferSize) override;
    BrowserStreamPtr createPostStreamImpl(const std::string& url, const PluginEventSinkPtr& sink,
                                          const std::string& postData, bool cache, bool seekable,
                                          uint32_t internalBufferSize) override;

    // The page is active (again): keeps the browser and site and finds the document and window.
    void resume(IWebBrowser2* webBrowser, IOleClientSite* clientSite);
    // The control left in-place activation: the page's objects are let go.
    void suspend();
    void initDOMObjects();

    // The COM object that shows a scripting object to the page, with one reference for the caller:
    // one per live scripting object, made with the auto-release flag given when it is made. Null
    // when no COM object can be made.
    IDispatchEx* getJSAPIWrapper(const JSAPIWeakPtr& api, bool autoRelease);
    // Holds one COM reference on a page object until it is released here; proxies keep the weak
    // reference returned. Main thread.
    DispatchWeakReference getIDispatchRef(IDispatch* object);
    // Any thread: the object is released on the main thread, at once when called there.
    void deferReleaseIDispatch(const DispatchWeakReference& reference);
    void releaseAllHeldObjects();

    // Value conversion (main thread). getComVariant clears `out` before it writes the value and
    // throws (com_error or a conversion error) when the value cannot be made; getVariant never
    // throws for a value it does not know (it gives the empty value).
    void getComVariant(VARIANT* out, const variant& value);
    variant getVariant(const VARIANT* in);

    std::shared_ptr<ActiveXBrowserHost> sharedActiveXHost();
    // The browser control of the page, or null; no reference is added.
    IWebBrowser2* webBrowser() const { return m_webBrowser.get(); }

    // DOM wrappers over the browser's HTML interfaces (AXDOM), with the browser control.
    DOM::WindowPtr createDOMWindow(const JSObjectPtr& object) override;
    DOM::DocumentPtr createDOMDocument(const JSObjectPtr& object) override;
    DOM::ElementPtr createDOMElement(const JSObjectPtr& object) override;
    DOM::NodePtr createDOMNode(const JSObjectPtr& object) override;
    bool hasPageWindow() const { return static_cast<bool>(m_window); }

private:
    BrowserStreamPtr startStream(const std::shared_ptr<ActiveXStream>& stream, const PluginEventSinkPtr& sink);

    using WrapperReference = std::weak_ptr<ShareableReference<IDispatchEx>>;

    ComPtr<IOleClientSite> m_clientSite;
    ComPtr<IDispatch> m_document;
    ComPtr<IHTMLWindow2> m_window;
    ComPtr<IWebBrowser2> m_webBrowser;
    DOM::WindowPtr m_domWindow;
    DOM::DocumentPtr m_domDocument;
    std::unique_ptr<WinMessageWindow> m_messageWindow;
    // Held shared by every post, exclusively while the message window goes.
    std::shared_mutex m_shutdownLock;
    LockedQueue<DispatchWeakReference> m_deferredObjects;
    // From a scripting object's address to its COM wrapper; main thread.
    std::map<const void*, WrapperReference> m_cachedWrappers;
    std::mutex m_heldLock;
    std::list<DispatchReference> m_heldObjects;
};

using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

}  // namespace FB::ActiveX
