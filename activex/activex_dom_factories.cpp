// The ActiveX host's DOM factories: the AXDOM wrappers, which reach the browser's HTML interfaces
// directly, around the host's page-object proxies.
#include "activex/activex_browser_host.h"
#include "activex/axdom_document.h"
#include "activex/axdom_element.h"
#include "activex/axdom_window.h"

namespace FB::ActiveX {

DOM::WindowPtr ActiveXBrowserHost::createDOMWindow(const JSObjectPtr& object) {
    return object ? std::make_shared<AXDOM::Window>(object, webBrowser()) : nullptr;
}

DOM::DocumentPtr ActiveXBrowserHost::createDOMDocument(const JSObjectPtr& object) {
    return object ? std::make_shared<AXDOM::Document>(object, webBrowser()) : nullptr;
}

DOM::ElementPtr ActiveXBrowserHost::createDOMElement(const JSObjectPtr& object) {
    return object ? std::make_shared<AXDOM::Element>(object, webBrowser()) : nullptr;
}

DOM::NodePtr ActiveXBrowserHost::createDOMNode(const JSObjectPtr& object) {
    return object ? std::make_shared<AXDOM::Node>(object, webBrowser()) : nullptr;
}

}  // namespace FB::ActiveX
