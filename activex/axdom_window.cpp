#include "activex/axdom_window.h"

#include "activex/axdom_wrapping.h"
#include "scripting/utf8_tools.h"

#include <typeinfo>

namespace FB::ActiveX::AXDOM {

namespace {

class NotAWindow : public std::bad_cast {
public:
    const char* what() const noexcept override { return "This is not a valid Window object"; }
};

ComPtr<IHTMLWindow2> requireWindow(const JSObjectPtr& object) {
    auto window = ComPtr<IDispatch>(dispatchOf(object)).query<IHTMLWindow2>(IID_IHTMLWindow2);
    if (!window) throw NotAWindow();
    return window;
}

}  // namespace

Window::Window(const JSObjectPtr& object, IWebBrowser2* browser)
    : DOM::Node(object), DOM::Window(object), AXDOM::Node(object, browser), htmlWindow(requireWindow(object)) {}

DOM::DocumentPtr Window::getDocument() {
    ComPtr<IHTMLDocument2> document;
    htmlWindow->get_document(document.put());
    return wrapDocument(getJSObject(), document.get());
}

void Window::alert(const std::string& text) {
    const ScopedBstr message(utf8ToWide(text));
    htmlWindow->alert(message.get());
}

std::string Window::getLocation() {
    if (!webBrowser) return {};
    ScopedBstr url;
    webBrowser->get_LocationURL(url.put());
    return wideToUtf8(bstrText(url.get()));
}

}  // namespace FB::ActiveX::AXDOM
