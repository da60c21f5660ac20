// The page's window over IHTMLWindow2, with its address from the browser control (see
// axdom_node.h).
#pragma once

#include "activex/axdom_node.h"
#include "scripting/dom_window.h"

namespace FB::ActiveX::AXDOM {

class Window : public DOM::Window, public AXDOM::Node {
public:
    // std::bad_cast "This is not a valid Window object", thrown by value, when the object is no
    // window.
    Window(const JSObjectPtr& object, IWebBrowser2* webBrowser);

    DOM::DocumentPtr getDocument() override;
    using DOM::Window::alert;
    void alert(const std::string& text) override;
    // The browser control's address of the page shown (not the window's location object).
    std::string getLocation() override;

private:
    ComPtr<IHTMLWindow2> htmlWindow;
};

}  // namespace FB::ActiveX::AXDOM
