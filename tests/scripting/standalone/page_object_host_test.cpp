// Page objects and DOM wrappers on a host of the test's own, with no browser host in the process:
// what scripting asks of the host it knows only as a PageObjectHost.
#include "scripting/dom_document.h"
#include "scripting/dom_element.h"
#include "scripting/dom_window.h"
#include "scripting/js_object.h"
#include "scripting/page_object_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// A page object that answers and takes named properties and reaches no page.
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
    FB::variant Invoke(const std::string&, const FB::VariantList&) override { return {}; }
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

TEST(DomWrappersOnTheirHost, EveryWrapperComesFromTheObjectsOwnHost) {
    auto host = std::make_shared<QueueingHost>();
    auto window = std::make_shared<PropertyObject>(host), document = std::make_shared<PropertyObject>(host),
         body = std::make_shared<PropertyObject>(host);
    window->properties["document"] = object(document);
    document->properties["window"] = object(window);
    document->properties["body"] = object(body);

    FB::DOM::WindowPtr wrappedWindow = FB::DOM::Window::fromJSObject(window);
    EXPECT_NE(std::dynamic_pointer_cast<BindingWindow>(wrappedWindow), nullptr);
    FB::DOM::DocumentPtr wrappedDocument = wrappedWindow->getDocument();
    EXPECT_NE(std::dynamic_pointer_cast<BindingDocument>(wrappedDocument), nullptr);
    EXPECT_EQ(wrappedDocument->getJSObject(), FB::JSObjectPtr(document));
    EXPECT_NE(std::dynamic_pointer_cast<BindingWindow>(wrappedDocument->getWindow()), nullptr);
    EXPECT_EQ(wrappedDocument->getBody()->getJSObject(), FB::JSObjectPtr(body));
    EXPECT_EQ(wrappedWindow->getNode("document")->getJSObject(), FB::JSObjectPtr(document));
    // The window and the document refer to each other, as on a page.
    document->properties.clear();
}

TEST(DomWrappersOnTheirHost, NoWrapperWithoutAnObjectAndAnErrorWithoutAHost) {
    auto host = std::make_shared<QueueingHost>();
    auto orphan = std::make_shared<PropertyObject>(host);
    host.reset();

    EXPECT_EQ(FB::DOM::Element::fromJSObject(nullptr), nullptr);
    EXPECT_THROW(FB::DOM::Element::fromJSObject(orphan), std::bad_weak_ptr);
}

}  // namespace
