// The ActiveX host's DOM wrappers over the browser's HTML interfaces: elements found by id and by
// tag name (the document's and an element's own), made and appended, attributes as text, the
// window's alerts and the page's address from the browser control, and wrappers refused around
// objects of the wrong kind. Empty wrappers stand for what the browser does not have.
#include "activex/activex_browser_host.h"
#include "activex/axdom_element.h"
#include "activex/axdom_window.h"
#include "tests/activex/support/container_page.h"
#include "tests/activex/support/fake_html.h"

#include <gtest/gtest.h>

namespace {

using activex_test::FakeBrowser;
using activex_test::FakeHtml;
using FB::ActiveX::ComPtr;

class AxDom : public ::testing::Test {
protected:
    AxDom() {
        window->document = document.get();
        document->window = window.get();
        body = document->add(document.get(), "body", "body");
        first = document->add(body.get(), "p", "first");
        first->attributes["width"] = "42";
        first->attributes["title"] = "Caf\xc3\xa9";
        inner = document->add(first.get(), "span", "inner");
        second = document->add(body.get(), "p", "second");
        outer = document->add(body.get(), "span", "outer");
        browser = ComPtr<IWebBrowser2>::adopt(new FakeBrowser(document->dispatch(), L"http://example.test/page.html"));
        host = std::make_shared<FB::ActiveX::ActiveXBrowserHost>(browser.get(), nullptr);
    }
    ~AxDom() override {
        host->shutdown();
        for (auto& element : document->all) element->children.clear();
    }

    static std::vector<std::string> ids(const std::vector<FB::DOM::ElementPtr>& elements) {
        std::vector<std::string> found;
        for (const auto& element : elements) found.push_back(element->getStringAttribute("id"));
        return found;
    }

    ComPtr<FakeHtml> window = FakeHtml::make(FakeHtml::Window);
    ComPtr<FakeHtml> document = FakeHtml::make(FakeHtml::Document);
    ComPtr<FakeHtml> body, first, inner, second, outer;
    ComPtr<IWebBrowser2> browser;
    std::shared_ptr<FB::ActiveX::ActiveXBrowserHost> host;
};

// The document is the binding's element as well: an element looks only below itself.
TEST_F(AxDom, ElementsAreFoundByIdAndTagNameInDocumentOrderBelowWhereAsked) {
    const FB::DOM::DocumentPtr page = host->documentObject();
    ASSERT_TRUE(page);
    const FB::DOM::ElementPtr found = page->getElementById("first");
    ASSERT_TRUE(found);
    EXPECT_EQ("first", found->getStringAttribute("id"));
    EXPECT_EQ("42", found->getStringAttribute("width"));
    EXPECT_EQ("Caf\xc3\xa9", found->getStringAttribute("title"));
    EXPECT_FALSE(page->getElementById("nobody"));  // no element, no wrapper
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), ids(page->getElementsByTagName("p")));
    EXPECT_TRUE(page->getElementsByTagName("table").empty());
    EXPECT_EQ(std::vector<std::string>{"inner"}, ids(found->getElementsByTagName("span")));
    const FB::DOM::ElementPtr element = page;
    EXPECT_TRUE(std::dynamic_pointer_cast<FB::ActiveX::AXDOM::Element>(element));
    EXPECT_EQ((std::vector<std::string>{"inner", "outer"}), ids(element->getElementsByTagName(std::wstring(L"span"))));
}

TEST_F(AxDom, AMadeElementIsAppendedAndStandsForTheNodeTheBrowserInserted) {
    const FB::DOM::DocumentPtr page = host->documentObject();
    const FB::DOM::ElementPtr made = page->createElement("div");
    ASSERT_TRUE(made);
    EXPECT_EQ(3u, body->children.size());  // made, not yet placed
    body->insertsACopy = true;
    const FB::DOM::ElementPtr container = page->getElementById("body");
    const FB::DOM::NodePtr appended = container->appendChild(made);
    EXPECT_EQ(made, appended);
    ASSERT_EQ(4u, body->children.size());
    auto* axMade = dynamic_cast<FB::ActiveX::AXDOM::Node*>(made.get());
    ASSERT_NE(nullptr, axMade);
    EXPECT_EQ(static_cast<IHTMLDOMNode*>(body->children.back().get()), axMade->domNodeInterface());
    // Only AXDOM nodes can be appended.
    const auto plain = std::make_shared<FB::DOM::Node>(container->getJSObject());
    try {
        container->appendChild(plain);
        ADD_FAILURE() << "a plain node was appended";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("failed to appendChild!", error.what());
    }
}

TEST_F(AxDom, TheWindowAlertsAndTellsThePageAddressFromTheBrowser) {
    const FB::DOM::WindowPtr view = host->windowObject();
    ASSERT_TRUE(view);
    view->alert("h\xc3\xa9llo");
    view->alert(std::wstring(L"wide"));
    view->alert("");
    EXPECT_EQ((std::vector<std::wstring>{L"h\u00e9llo", L"wide", L""}), window->alerts);
    EXPECT_EQ("http://example.test/page.html", view->getLocation());
    ASSERT_TRUE(view->getDocument());
    EXPECT_TRUE(host->documentObject()->getWindow());
}

TEST_F(AxDom, WrappersAreRefusedAroundObjectsOfAnotherKind) {
    const FB::JSObjectPtr documentObject = host->documentObject()->getJSObject();
    try {
        FB::ActiveX::AXDOM::Window notAWindow(documentObject, browser.get());
        ADD_FAILURE() << "a window was made of a document";
    } catch (const std::bad_cast& error) {
        EXPECT_STREQ("This is not a valid Window object", error.what());
    }
    document->offersDocument3 = false;
    const FB::DOM::DocumentPtr page = host->createDOMDocument(documentObject);
    try {
        page->getElementById("first");
        ADD_FAILURE() << "found without IHTMLDocument3";
    } catch (const std::exception& error) {
        EXPECT_STREQ("Document does not support getElementById", error.what());
    }
    EXPECT_THROW(page->getElementsByTagName("p"), std::runtime_error);
}

}  // namespace

namespace {

using activex_test::ContainerPageTest;

// In the stand-in container the page's address comes from its browser control too.
TEST_F(ContainerPageTest, TheWindowWrapperTellsThePageAddressFromTheBrowserControl) {
    load();
    const std::string href = eval("window.location.href");
    EXPECT_FALSE(href.empty());
    EXPECT_EQ(href, container.onMainThread([](test_support::ContainerSession& session) {
        return session.control()->host()->windowObject()->getLocation();
    }));
}

}  // namespace
