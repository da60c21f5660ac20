#include "scripting/dom_document.h"
#include "scripting/dom_window.h"
#include "scripting/script_error.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

using test_support::FakePageObjectPtr;
using test_support::TestBrowserHost;

namespace {

FB::variant object(const FakePageObjectPtr& page) { return FB::variant(FB::JSObjectPtr(page)); }

// The DOM wrappers reach the page through the host that made its objects.
class DomWrappers : public ::testing::Test {
protected:
    void TearDown() override {
        host->shutdown();
        TestBrowserHost::pump();
    }
    FB::variant array(const std::vector<FakePageObjectPtr>& items) {
        auto list = host->page.makeObject();
        list->properties["length"] = FB::variant(static_cast<int>(items.size()));
        for (size_t i = 0; i < items.size(); ++i) list->properties[std::to_string(i)] = object(items[i]);
        return object(list);
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
};

TEST_F(DomWrappers, ElementReadsPageArraysInOrderAndPassesConversionErrorsOn) {
    auto element = host->page.makeObject(), first = host->page.makeObject(), second = host->page.makeObject();
    element->properties = {
        {"width", FB::variant("640")}, {"scrollWidth", FB::variant("wide")}, {"childNodes", array({second})}};
    element->methods["getElementsByTagName"] = [&](const FB::VariantList& args) {
        return args.at(0).convertTo<std::string>() == "div" ? array({first, second}) : array({});
    };
    FB::DOM::ElementPtr wrapped = host->createDOMElement(element);
    EXPECT_EQ(wrapped->getWidth(), 640);
    EXPECT_THROW(wrapped->getScrollWidth(), FB::bad_variant_cast);
    EXPECT_EQ(wrapped->getChildNodeCount(), 1);
    EXPECT_EQ(wrapped->getChildNode(0)->getJSObject(), FB::JSObjectPtr(second));
    auto found = wrapped->getElementsByTagName(std::wstring(L"div"));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->getJSObject(), FB::JSObjectPtr(first));
    EXPECT_EQ(found[1]->getJSObject(), FB::JSObjectPtr(second));
}

TEST_F(DomWrappers, NullOrUndefinedPageValuesGiveEmptyWrappers) {
    auto element = host->page.makeObject();
    element->properties["parentNode"] = FB::variant(FB::JSObjectPtr());
    element->methods["getElementById"] = [](const FB::VariantList&) { return FB::variant(); };
    FB::DOM::ElementPtr wrapped = host->createDOMElement(element);
    EXPECT_EQ(wrapped->getParentNode(), nullptr);
    EXPECT_EQ(wrapped->getElementById("none"), nullptr);
    EXPECT_EQ(wrapped->getNode("missing"), nullptr);
    EXPECT_EQ(wrapped->getChildNodeCount(), 0);
    EXPECT_EQ(wrapped->getChildNode(0), nullptr);
    EXPECT_EQ(FB::DOM::Window::fromJSObject(nullptr), nullptr);
    EXPECT_EQ(host->createDOMWindow(host->page.makeObject())->getLocation(), "");
}

TEST_F(DomWrappers, WindowAndDocumentReachThePageAndIgnoreAlertResults) {
    auto location = host->page.makeObject(), body = host->page.makeObject(), made = host->page.makeObject();
    location->properties["href"] = FB::variant("http://camera.local/view?ch=1#x");
    host->page.window->properties["location"] = object(location);
    std::string alerted;
    host->page.window->methods["alert"] = [&](const FB::VariantList& args) {
        alerted = args.at(0).convertTo<std::string>();
        return FB::variant("whatever the page answers");
    };
    host->page.document->properties["body"] = object(body);
    host->page.document->methods["createElement"] = [&](const FB::VariantList& args) {
        return args.at(0).convertTo<std::string>() == "canvas" ? object(made) : FB::variant();
    };
    body->methods["appendChild"] = [&](const FB::VariantList& args) { return args.at(0); };

    FB::DOM::WindowPtr window = host->windowObject();
    EXPECT_EQ(window->getLocation(), "http://camera.local/view?ch=1#x");
    window->alert(std::wstring(L"\u4f60\u597d"));
    EXPECT_EQ(alerted, "\xe4\xbd\xa0\xe5\xa5\xbd");
    FB::DOM::DocumentPtr document = window->getDocument();
    EXPECT_EQ(document->getWindow()->getJSObject(), FB::JSObjectPtr(host->page.window));
    FB::DOM::NodePtr child = document->getBody()->appendChild(document->createElement("canvas"));
    EXPECT_EQ(child->getJSObject(), FB::JSObjectPtr(made));
    EXPECT_THROW(document->getStringAttribute("id"), FB::script_error);
}

}  // namespace
