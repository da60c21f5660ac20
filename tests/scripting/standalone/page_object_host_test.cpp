// Page objects and DOM wrappers on a host of the test's own, with no browser host in the process:
// what scripting asks of the host it knows only as a PageObjectHost.
#include "scripting/dom_document.h"
#include "scripting/dom_element.h"
#include "scripting/dom_window.h"
#include "scripting/js_object.h"
#include "scripting/page_object_host.h"
#include "scripting/script_error.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// A page object that answers and takes named properties, runs the methods a test gives it and
// reaches no page.
class PropertyObject : public FB::JSObject {
public:
    using JSObject::GetProperty;
    using JSObject::HasMethod;
    using JSObject::HasProperty;
    using JSObject::Invoke;
    using JSObject::JSObject;
    using JSObject::listMemberNames;
    using JSObject::RemoveProperty;
    using JSObject::SetProperty;

    std::map<std::string, FB::variant> properties;
    std::map<std::string, std::function<FB::variant(const FB::VariantList&)>> methods;

    FB::variant GetProperty(const std::string& name) override { return properties[name]; }
    void SetProperty(const std::string& name, const FB::variant& value) override { properties[name] = value; }
    bool isValid() override { return !host_.expired(); }
    FB::JSAPIPtr scriptingObject() override { return {}; }

    FB::variant GetProperty(int index) override { return GetProperty(std::to_string(index)); }
    void SetProperty(int index, const FB::variant& value) override { SetProperty(std::to_string(index), value); }
    void invalidate() override {}
    void listMemberNames(std::vector<std::string>& names) override { names.clear(); }
    std::size_t countMembers() override { return properties.size(); }
    bool HasMethod(const std::string&) override { return false; }
    bool HasProperty(int) override { return false; }
    bool HasProperty(const std::string& name) override { return properties.count(name) != 0; }
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string& name) override { properties.erase(name); }
    FB::variant Invoke(const std::string& name, const FB::VariantList& args) override {
        if (!methods.count(name)) throw FB::script_error(name);
        return methods[name](args);
    }
    FB::variant Construct(const FB::VariantList&) override { return {}; }
};

// A binding's own wrapper classes, to tell which host made a wrapper.
class BindingWindow : public FB::DOM::Window {
public:
    explicit BindingWindow(const FB::JSObjectPtr& object) : Node(object), Window(object) {}
};
class BindingDocument : public FB::DOM::Document {
public:
    explicit BindingDocument(const FB::JSObjectPtr& object) : Node(object), Element(object), Document(object) {}
};

// Keeps main-thread calls until the test runs them, records page-timer calls, and wraps page
// objects in the binding's classes above.
class QueueingHost : public FB::PageObjectHost {
public:
    struct QueuedCall {
        FB::JSObjectPtr reference;
        std::function<void()> call;
    };
    struct TimerCall {
        int delay;
        FB::JSObjectPtr func;
        FB::VariantList args;
        std::string fname;
    };

    std::vector<QueuedCall> queue;
    std::vector<TimerCall> timerCalls;

    std::shared_ptr<FB::DOM::Window> createDOMWindow(const FB::JSObjectPtr& object) override {
        return object ? std::make_shared<BindingWindow>(object) : nullptr;
    }
    std::shared_ptr<FB::DOM::Document> createDOMDocument(const FB::JSObjectPtr& object) override {
        return object ? std::make_shared<BindingDocument>(object) : nullptr;
    }
    std::shared_ptr<FB::DOM::Element> createDOMElement(const FB::JSObjectPtr& object) override {
        return object ? std::make_shared<FB::DOM::Element>(object) : nullptr;
    }
    std::shared_ptr<FB::DOM::Node> createDOMNode(const FB::JSObjectPtr& object) override {
        return object ? std::make_shared<FB::DOM::Node>(object) : nullptr;
    }
    void queueCallOnMainThread(const FB::JSObjectPtr& reference, std::function<void()> call) override {
        queue.push_back({reference, std::move(call)});
    }
    int InvokeDelayed(int delay, const FB::JSObjectPtr& func, const FB::VariantList& args,
                      const std::string& fname) override {
        timerCalls.push_back({delay, func, args, fname});
        return static_cast<int>(timerCalls.size());
    }

    // Runs, then releases, every call queued so far, as the browser's thread would.
    void runQueue() {
        for (QueuedCall& queued : std::exchange(queue, {})) queued.call();
    }
};

FB::variant object(const FB::JSObjectPtr& page) { return FB::variant(page); }

// A deferred call waits in the host's queue for the browser's thread, keeping its page object
// alive until it has run; a call then reaches the page from a zero-delay page timer.
TEST(PageObjectsOnTheirHost, DeferredCallsReachThePageOnlyFromTheQueue) {
    auto host = std::make_shared<QueueingHost>();
    auto page = std::make_shared<PropertyObject>(host);
    std::weak_ptr<PropertyObject> watched = page;
    page->invokeLater("onsaveArea", {FB::variant(3)});
    page->setPropertyLater("width", FB::variant(640));
    EXPECT_TRUE(host->timerCalls.empty());
    EXPECT_FALSE(page->HasProperty("width"));
    ASSERT_EQ(host->queue.size(), 2u);
    page.reset();
    EXPECT_FALSE(watched.expired());
    host->runQueue();

    ASSERT_EQ(host->timerCalls.size(), 1u);
    const QueueingHost::TimerCall& call = host->timerCalls[0];
    EXPECT_EQ(call.delay, 0);
    EXPECT_EQ(call.func, watched.lock());
    EXPECT_EQ(call.fname, "onsaveArea");
    ASSERT_EQ(call.args.size(), 1u);
    EXPECT_EQ(call.args[0].convertTo<int>(), 3);
    EXPECT_EQ(watched.lock()->GetProperty("width").convertTo<int>(), 640);
    // Once the page timer has it too, nothing of the deferred calls holds the object any more.
    host->timerCalls.clear();
    EXPECT_TRUE(watched.expired());
}

TEST(PageObjectsOnTheirHost, DeferredCallsFailAtOnceWhenTheHostIsGone) {
    auto host = std::make_shared<QueueingHost>();
    auto page = std::make_shared<PropertyObject>(host);
    host.reset();

    EXPECT_FALSE(page->isValid());
    for (const std::function<void()>& deferred :
         {std::function<void()>([&] { page->invokeLater("f", {}); }),
          std::function<void()>([&] { page->setPropertyLater("p", FB::variant(1)); })}) {
        try {
            deferred();
            ADD_FAILURE() << "a deferred call without a host raised nothing";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Cannot invoke asynchronously");
        }
    }
    EXPECT_THROW(page->InvokeDelayed({}, "f"), std::bad_weak_ptr);
}

class DomWrappersOnTheirHost : public ::testing::Test {
protected:
    std::shared_ptr<PropertyObject> make() { return std::make_shared<PropertyObject>(host); }
    FB::variant array(const std::vector<FB::JSObjectPtr>& items) {
        auto list = make();
        list->properties["length"] = FB::variant(static_cast<int>(items.size()));
        for (size_t i = 0; i < items.size(); ++i) list->properties[std::to_string(i)] = object(items[i]);
        return object(list);
    }
    std::shared_ptr<QueueingHost> host = std::make_shared<QueueingHost>();
};

// Every wrapper comes from the object's own host, which makes the binding's classes.
TEST_F(DomWrappersOnTheirHost, WindowAndDocumentReachThePageAndIgnoreAlertResults) {
    auto window = make(), document = make(), body = make(), location = make(), made = make();
    window->properties = {{"document", object(document)}, {"location", object(location)}};
    document->properties = {{"window", object(window)}, {"body", object(body)}};
    location->properties["href"] = FB::variant("http://camera.local/view?ch=1#x");
    std::string alerted;
    window->methods["alert"] = [&](const FB::VariantList& args) {
        alerted = args.at(0).convertTo<std::string>();
        return FB::variant("whatever the page answers");
    };
    document->methods["createElement"] = [&](const FB::VariantList& args) {
        return args.at(0).convertTo<std::string>() == "canvas" ? object(made) : FB::variant();
    };
    body->methods["appendChild"] = [&](const FB::VariantList& args) { return args.at(0); };

    FB::DOM::WindowPtr wrappedWindow = FB::DOM::Window::fromJSObject(window);
    EXPECT_NE(std::dynamic_pointer_cast<BindingWindow>(wrappedWindow), nullptr);
    EXPECT_EQ(wrappedWindow->getLocation(), "http://camera.local/view?ch=1#x");
    wrappedWindow->alert(std::wstring(L"\u4f60\u597d"));
    EXPECT_EQ(alerted, "\xe4\xbd\xa0\xe5\xa5\xbd");
    FB::DOM::DocumentPtr wrappedDocument = wrappedWindow->getDocument();
    EXPECT_NE(std::dynamic_pointer_cast<BindingDocument>(wrappedDocument), nullptr);
    EXPECT_EQ(wrappedDocument->getJSObject(), FB::JSObjectPtr(document));
    EXPECT_NE(std::dynamic_pointer_cast<BindingWindow>(wrappedDocument->getWindow()), nullptr);
    EXPECT_EQ(wrappedWindow->getNode("document")->getJSObject(), FB::JSObjectPtr(document));
    FB::DOM::NodePtr child = wrappedDocument->getBody()->appendChild(wrappedDocument->createElement("canvas"));
    EXPECT_EQ(child->getJSObject(), FB::JSObjectPtr(made));
    EXPECT_THROW(wrappedDocument->getStringAttribute("id"), FB::script_error);
    // The window and the document refer to each other, as on a page.
    document->properties.clear();
}

TEST_F(DomWrappersOnTheirHost, ElementReadsPageArraysInOrderAndPassesConversionErrorsOn) {
    auto element = make(), first = make(), second = make();
    element->properties = {
        {"width", FB::variant("640")}, {"scrollWidth", FB::variant("wide")}, {"childNodes", array({second})}};
    element->methods["getElementsByTagName"] = [&](const FB::VariantList& args) {
        return args.at(0).convertTo<std::string>() == "div" ? array({first, second}) : array({});
    };
    FB::DOM::ElementPtr wrapped = FB::DOM::Element::fromJSObject(element);
    EXPECT_EQ(wrapped->getWidth(), 640);
    EXPECT_THROW(wrapped->getScrollWidth(), FB::bad_variant_cast);
    EXPECT_EQ(wrapped->getChildNodeCount(), 1);
    EXPECT_EQ(wrapped->getChildNode(0)->getJSObject(), FB::JSObjectPtr(second));
    auto found = wrapped->getElementsByTagName(std::wstring(L"div"));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->getJSObject(), FB::JSObjectPtr(first));
    EXPECT_EQ(found[1]->getJSObject(), FB::JSObjectPtr(second));
    EXPECT_TRUE(wrapped->getElementsByTagName("span").empty());
}

// What a page leaves null or undefined gives no wrapper; an object whose host is gone gives an error.
TEST_F(DomWrappersOnTheirHost, NullOrUndefinedPageValuesGiveNoWrapperAndAnObjectWithoutAHostAnError) {
    auto element = make();
    element->properties["parentNode"] = FB::variant(FB::JSObjectPtr());
    element->methods["getElementById"] = [](const FB::VariantList&) { return FB::variant(); };
    FB::DOM::ElementPtr wrapped = FB::DOM::Element::fromJSObject(element);
    EXPECT_EQ(wrapped->getParentNode(), nullptr);
    EXPECT_EQ(wrapped->getElementById("none"), nullptr);
    EXPECT_EQ(wrapped->getNode("missing"), nullptr);
    EXPECT_EQ(wrapped->getChildNodeCount(), 0);
    EXPECT_EQ(wrapped->getChildNode(0), nullptr);
    EXPECT_EQ(FB::DOM::Window::fromJSObject(make())->getLocation(), "");
    EXPECT_EQ(FB::DOM::Element::fromJSObject(nullptr), nullptr);
    host.reset();
    EXPECT_THROW(FB::DOM::Element::fromJSObject(element), std::bad_weak_ptr);
}

}  // namespace
