#include "activex/axdom_node.h"

#include "activex/axdom_wrapping.h"

#include <stdexcept>

namespace FB::ActiveX::AXDOM {

Node::Node(const JSObjectPtr& object, IWebBrowser2* browser)
    : DOM::Node(object),
      domNode(ComPtr<IDispatch>(dispatchOf(object)).query<IHTMLDOMNode>(IID_IHTMLDOMNode)),
      webBrowser(browser) {}

DOM::NodePtr Node::appendChild(const DOM::NodePtr& node) {
    const auto child = std::dynamic_pointer_cast<AXDOM::Node>(node);
    if (!child || !domNode || !child->domNode) throw std::runtime_error("failed to appendChild!");
    ComPtr<IHTMLDOMNode> inserted;
    if (domNode->appendChild(child->domNode.get(), inserted.put()) < 0) throw std::runtime_error("failed to appendChild!");
    if (inserted && inserted.get() != child->domNode.get()) child->domNode = inserted;
    return node;
}

}  // namespace FB::ActiveX::AXDOM
