#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/scripting/error_expectations.h"
#include "tests/scripting/page_object.h"
#include "tests/scripting/test_api.h"

namespace FB::testing {
namespace {

int contextA = 0;
int contextB = 0;

using Page = std::shared_ptr<PageObject>;
using Pages = std::vector<JSObjectPtr>;

// The one call a page object received since the last look, checked to be of the given kind.
RecordedCall only(const Page& page, const std::string& kind) {
    auto calls = page->takeCalls();
    EXPECT_EQ(calls.size(), 1u);
    if (calls.empty()) return {};
    EXPECT_EQ(calls[0].kind, kind);
    return calls[0];
}

TEST(ScriptEvents, BrowserHandlersOfOneContextGoInOneBatchWithTheirSinks) {
    auto api = std::make_shared<TestApi>();
    auto first = PageObject::make(&contextA), second = PageObject::make(&contextA);
    auto sink = PageObject::make(&contextA), other = PageObject::make(&contextB, false);
    api->addEventHandler("onalarm", first);
    api->addEventHandler("onalarm", second);
    api->addEventHandler("onalarm", first);  // the same page function is kept once
    api->addEventSink(sink);
    api->addEventHandler(std::wstring(L"onalarm"), other);

    api->fireNamedEvent("alarm", {});  // handlers match the full name only; sinks take every event
    EXPECT_TRUE(first->takeCalls().empty());
    EXPECT_EQ(only(sink, "callHandlers").sinks, (Pages{sink}));
    api->fireNamedEvent("onalarm", {"door open"});

    const RecordedCall batch = only(first, "callHandlers");
    EXPECT_EQ(batch.args.at(0).cast<std::string>(), "door open");
    EXPECT_EQ(batch.handlers, (Pages{first, second}));
    EXPECT_EQ(batch.sinks, (Pages{sink}));
    EXPECT_TRUE(second->takeCalls().empty());
    EXPECT_TRUE(sink->takeCalls().empty());  // served inside the batch, not again
    EXPECT_EQ(only(other, "invokeLater").name, "");

    api->removeEventHandler("onalarm", first);
    api->removeEventSink(sink);
    api->removeEventSink(sink);  // no longer attached: nothing changes
    api->fireNamedEvent(std::wstring(L"onalarm"), {});
    const RecordedCall rest = only(second, "callHandlers");
    EXPECT_EQ(rest.handlers, (Pages{second}));
    EXPECT_TRUE(rest.sinks.empty());
    EXPECT_EQ(errorText<invalid_arguments>([&] { api->addEventHandler("onalarm", nullptr); }), "Invalid Arguments");
    EXPECT_EQ(errorText<invalid_arguments>([&] { api->removeEventHandler("onalarm", nullptr); }), "Invalid Arguments");
}

TEST(ScriptEvents, WithoutABatchEveryHandlerAndSinkIsCalledOnItsOwn) {
    auto api = std::make_shared<TestApi>();
    auto plainHandler = PageObject::make(&contextA, false), browserHandler = PageObject::make(&contextA);
    // Sinks are walked in address order: the plain one first, then the one taking the batch.
    Page plainSink = PageObject::make(&contextA), browserSink = PageObject::make(&contextA);
    if (browserSink.get() < plainSink.get()) std::swap(plainSink, browserSink);
    plainSink->browserObject = false;
    api->addEventHandler("onsaveArea", plainHandler);
    api->addEventHandler("onsaveArea", browserHandler);
    api->addEventSink(browserSink);
    api->addEventSink(plainSink);

    api->fireNamedEvent("onsaveArea", {1, 2});

    only(plainHandler, "invokeLater");
    only(browserHandler, "invokeLater");
    EXPECT_EQ(only(plainSink, "invokeLater").name, "onsaveArea");
    const RecordedCall batch = only(browserSink, "callHandlers");
    EXPECT_TRUE(batch.handlers.empty());
    EXPECT_EQ(batch.sinks, (Pages{plainSink, browserSink}));
}

TEST(ScriptEvents, AFailingOrVanishedReceiverDoesNotStopTheOthers) {
    auto api = std::make_shared<TestApi>();
    auto failing = PageObject::make(&contextA, false), working = PageObject::make(&contextA, false);
    auto goneSink = PageObject::make(&contextB, false), liveSink = PageObject::make(&contextB, false);
    failing->failDeliveries = true;
    goneSink->hostGone = true;
    api->addEventHandler("onalarm", failing);
    api->addEventHandler("onalarm", working);
    api->addEventSink(goneSink);
    api->addEventSink(liveSink);

    EXPECT_NO_THROW(api->fireNamedEvent("onalarm", {"x"}));
    EXPECT_NO_THROW(api->dispatchEventObject("onalarm", VariantList{}));
    EXPECT_EQ(working->takeCalls().size(), 2u);
    EXPECT_EQ(liveSink->takeCalls().size(), 2u);
    EXPECT_TRUE(goneSink->takeCalls().empty());
}

// A page function whose call runs page script that changes the object's listeners.
struct ReattachingHandler : PageObject {
    using PageObject::PageObject;
    void invokeLater(const std::string& name, const VariantList& args) override {
        PageObject::invokeLater(name, args);
        if (onCall) onCall();
    }
    std::function<void()> onCall;
};

TEST(ScriptEvents, ListenersChangedWhileAnEventIsHandedOutTakePartFromTheNextEventOn) {
    using Fire = std::function<void(TestApi&)>;
    const Fire firings[] = {[](TestApi& api) { api.fireNamedEvent("onalarm", {}); },
                            [](TestApi& api) { api.dispatchEventObject("onalarm", VariantList{}); }};
    for (const Fire& fire : firings) {
        auto api = std::make_shared<TestApi>();
        auto reattaching = std::make_shared<ReattachingHandler>(&contextA, false);
        auto detached = PageObject::make(&contextA, false), attached = PageObject::make(&contextA, false);
        auto detachedSink = PageObject::make(&contextB, false), attachedSink = PageObject::make(&contextB, false);
        api->addEventHandler("onalarm", reattaching);
        api->addEventHandler("onalarm", detached);
        api->addEventSink(detachedSink);
        reattaching->onCall = [&] {
            api->removeEventHandler("onalarm", detached);
            api->addEventHandler("onalarm", attached);
            api->removeEventSink(detachedSink);
            api->addEventSink(attachedSink);
        };

        fire(*api);
        EXPECT_EQ(detached->takeCalls().size(), 1u);
        EXPECT_EQ(detachedSink->takeCalls().size(), 1u);
        EXPECT_TRUE(attached->takeCalls().empty());
        EXPECT_TRUE(attachedSink->takeCalls().empty());
        fire(*api);
        EXPECT_TRUE(detached->takeCalls().empty());
        EXPECT_TRUE(detachedSink->takeCalls().empty());
        EXPECT_EQ(attached->takeCalls().size(), 1u);
        EXPECT_EQ(attachedSink->takeCalls().size(), 1u);
        EXPECT_EQ(reattaching->takeCalls().size(), 2u);
    }
}

TEST(ScriptEvents, ProxiesFireInOrderAndSeeThemselvesWhereverTheFiringObjectWasPassed) {
    auto api = std::make_shared<TestApi>();
    auto handler = PageObject::make(&contextA, false);
    std::vector<std::shared_ptr<TestApi>> proxies(4);
    for (auto& proxy : proxies) {
        proxy = std::make_shared<TestApi>();
        proxy->addEventHandler("onclickArea", handler);
    }
    for (int i : {0, 3, 1, 2, 1, 0}) api->addEventProxy(proxies[i]);
    proxies[3].reset();
    api->removeEventProxy(proxies[1]);  // with the ones that are gone; the rest keep their order
    const JSAPIPtr self = api;
    api->fireNamedEvent("onclickArea", {self, VariantList{self}, VariantMap{{"who", self}}, 5});

    const std::vector<RecordedCall> calls = handler->takeCalls();
    ASSERT_EQ(calls.size(), 3u);
    const JSAPIPtr reached[] = {proxies[0], proxies[2], proxies[0]};
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i].args.at(0).cast<JSAPIPtr>(), reached[i]);
    EXPECT_EQ(calls[0].args.at(1).cast<VariantList>().at(0).cast<JSAPIPtr>(), reached[0]);
    EXPECT_EQ(calls[0].args.at(2).cast<VariantMap>().at("who").cast<JSAPIPtr>(), reached[0]);
}

TEST(ScriptEvents, InvalidatedObjectCallsNoHandlerProxyOrAttributeFunction) {
    auto api = std::make_shared<TestApi>(), proxy = std::make_shared<TestApi>();
    auto handler = PageObject::make(&contextA), proxyHandler = PageObject::make(&contextA, false);
    auto attributeFunction = PageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);
    proxy->addEventHandler("onalarm", proxyHandler);
    api->addEventProxy(proxy);
    api->SetProperty("onalarm", JSObjectPtr(attributeFunction));

    api->invalidate();
    api->fireNamedEvent("onalarm", {});
    api->dispatchEventObject("onalarm", VariantList{});
    for (const Page& page : {handler, proxyHandler, attributeFunction}) EXPECT_TRUE(page->takeCalls().empty());
}

TEST(ScriptEvents, EventObjectKeepsItsFixedMembersAndCarriesTheArguments) {
    auto api = std::make_shared<TestApi>();
    auto handler = PageObject::make(&contextA), attributeFunction = PageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);
    api->SetProperty("onalarm", JSObjectPtr(attributeFunction));
    api->dispatchEventObject("onalarm", VariantMap{{"type", "forged"}, {"level", 3}}, {7});
    const VariantMap event = only(handler, "invokeLater").args.at(0).cast<VariantMap>();
    EXPECT_EQ(only(attributeFunction, "invokeLater").args.at(0).cast<VariantMap>().size(), event.size());
    EXPECT_EQ(event.at("type").cast<std::string>() + event.at("namespaceURI").cast<std::string>(), "onalarmonalarm");
    EXPECT_EQ(event.at("eventPhase").cast<int>(), 2);
    EXPECT_FALSE(event.at("bubbles").cast<bool>() || event.at("cancelable").cast<bool>());
    EXPECT_EQ(event.at("target").cast<JSAPIPtr>(), JSAPIPtr(api));
    EXPECT_EQ(event.at("level").cast<int>(), 3);
    EXPECT_EQ(event.at("arguments").cast<VariantList>().at(0).cast<int>(), 7);
}

// A scripted call holds the object's scope lock on the browser's thread while it waits for a worker
// (a camera view's decoding thread, say). The worker's event must reach the handlers, and the page
// function stored as an attribute named like the event, without that lock.
TEST(ScriptEvents, WorkerFiresWhileAScriptedCallHoldsTheObject) {
    auto api = std::make_shared<TestApi>();
    auto handler = PageObject::make(&contextA), attributeFunction = PageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);
    api->SetProperty("onalarm", JSObjectPtr(attributeFunction));

    api->pushScope(0);
    auto worker = std::async(std::launch::async, [&] { api->fireNamedEvent("onalarm", {"smoke"}); });
    const bool delivered = worker.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    api->popScope();
    worker.get();

    EXPECT_TRUE(delivered) << "the firing thread waited for the object's scope lock";
    only(handler, "callHandlers");
    EXPECT_EQ(only(attributeFunction, "invokeLater").args.at(0).cast<std::string>(), "smoke");
}

}  // namespace
}  // namespace FB::testing
