// The DOM wrappers of the ActiveX binding (AXDOM): the framework's wrappers, with the operations
// the browser's HTML interfaces do directly (IHTMLWindow2, IHTMLDocument2/3, IHTMLElement/2,
// IHTMLDOMNode, and the browser control's IWebBrowser2); every other operation keeps the
// framework's script-based body. Each wraps a page-object proxy (IDispatchAPI) and is made by the
// ActiveX host's DOM factories. Errors are standard exceptions, thrown by value. Main thread only.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/exdisp.h"
#include "platform/com/mshtml.h"
#include "scripting/dom_node.h"

namespace FB::ActiveX::AXDOM {

class Node : public virtual DOM::Node {
public:
    Node(const JSObjectPtr& object, IWebBrowser2* webBrowser);

    // The child must be an AXDOM node with a DOM node, as this one: std::runtime_error
    // "failed to appendChild!" otherwise, or when the browser refuses. The child passed in is
    // returned, standing from then on for the node the browser inserted.
    DOM::NodePtr appendChild(const DOM::NodePtr& node) override;

    IHTMLDOMNode* domNodeInterface() const { return domNode.get(); }

protected:
    ComPtr<IHTMLDOMNode> domNode;  // null when the page object is no DOM node
    ComPtr<IWebBrowser2> webBrowser;
};

}  // namespace FB::ActiveX::AXDOM
