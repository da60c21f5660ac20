#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "tests/scripting/recording_page_object.h"
#include "tests/scripting/test_api.h"

namespace FB::testing {
namespace {

int contextA = 0;
int contextB = 0;

using Page = std::shared_ptr<RecordingPageObject>;

// Sinks are walked in address order; this returns the pair in that order.
std::pair<Page, Page> inAddressOrder(Page a, Page b) {
    if (b.get() < a.get()) std::swap(a, b);
    return {a, b};
}

TEST(ScriptEvents, BrowserHandlersOfOneContextGoInOneBatchWithTheirSinks) {
    auto api = std::make_shared<TestApi>();
    auto first = RecordingPageObject::make(&contextA);
    auto second = RecordingPageObject::make(&contextA);
    auto sink = RecordingPageObject::make(&contextA);
    auto other = RecordingPageObject::make(&contextB, false);
    api->addEventHandler("onalarm", first);
    api->addEventHandler("onalarm", second);
    api->addEventSink(sink);
    api->addEventHandler(std::wstring(L"onalarm"), other);

    api->fireNamedEvent("onalarm", {"door open"});

    const auto batch = first->takeCalls();
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(batch[0].kind, "callHandlers");
    EXPECT_EQ(batch[0].name, "onalarm");
    EXPECT_EQ(batch[0].args.at(0).cast<std::string>(), "door open");
    EXPECT_EQ(batch[0].handlers, (std::vector<JSObjectPtr>{first, second}));
    EXPECT_EQ(batch[0].sinks, (std::vector<JSObjectPtr>{sink}));
    EXPECT_TRUE(second->takeCalls().empty());
    EXPECT_TRUE(sink->takeCalls().empty());  // served inside the batch, not again

    const auto single = other->takeCalls();
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].kind, "invokeLater");
    EXPECT_EQ(single[0].name, "");
}

TEST(ScriptEvents, HandlersAreKeptOncePerFunctionAndMatchTheFullName) {
    auto api = std::make_shared<TestApi>();
    auto handler = RecordingPageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);
    api->addEventHandler("onalarm", handler);
    EXPECT_THROW(api->addEventHandler("onalarm", nullptr), invalid_arguments);

    api->fireNamedEvent("alarm", {});
    EXPECT_TRUE(handler->takeCalls().empty());
    api->fireNamedEvent("onalarm", {});
    EXPECT_EQ(handler->takeCalls().size(), 1u);

    api->removeEventHandler("onalarm", handler);
    api->fireNamedEvent("onalarm", {});
    EXPECT_TRUE(handler->takeCalls().empty());
}

TEST(ScriptEvents, WithoutABatchEveryHandlerAndSinkIsCalledOnItsOwn) {
    auto api = std::make_shared<TestApi>();
    auto plainHandler = RecordingPageObject::make(&contextA, false);
    auto browserHandler = RecordingPageObject::make(&contextA);
    // Sinks are walked in address order: the plain one first, then the one taking the batch.
    auto [plainSink, browserSink] = inAddressOrder(RecordingPageObject::make(&contextA),
                                                   RecordingPageObject::make(&contextA));
    plainSink->browserObject = false;
    api->addEventHandler("onsaveArea", plainHandler);
    api->addEventHandler("onsaveArea", browserHandler);
    api->addEventSink(browserSink);
    api->addEventSink(plainSink);

    api->fireNamedEvent("onsaveArea", {1, 2});

    EXPECT_EQ(plainHandler->takeCalls().at(0).kind, "invokeLater");
    EXPECT_EQ(browserHandler->takeCalls().at(0).kind, "invokeLater");
    const auto plain = plainSink->takeCalls();
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].kind, "invokeLater");
    EXPECT_EQ(plain[0].name, "onsaveArea");
    const auto batch = browserSink->takeCalls();
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(batch[0].kind, "callHandlers");
    EXPECT_TRUE(batch[0].handlers.empty());
    EXPECT_EQ(batch[0].sinks, (std::vector<JSObjectPtr>{plainSink, browserSink}));
}

TEST(ScriptEvents, AFailingOrVanishedReceiverDoesNotStopTheOthers) {
    auto api = std::make_shared<TestApi>();
    auto failing = RecordingPageObject::make(&contextA, false);
    failing->failDeliveries = true;
    auto working = RecordingPageObject::make(&contextA, false);
    auto goneSink = RecordingPageObject::make(&contextB, false);
    goneSink->hostGone = true;
    auto liveSink = RecordingPageObject::make(&contextB, false);
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

TEST(ScriptEvents, InvalidatedObjectFiresNothingNotEvenToProxies) {
    auto api = std::make_shared<TestApi>();
    auto proxy = std::make_shared<TestApi>();
    auto handler = RecordingPageObject::make(&contextA);
    auto proxyHandler = RecordingPageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);
    proxy->addEventHandler("onalarm", proxyHandler);
    api->addEventProxy(proxy);
    api->invalidate();

    api->fireNamedEvent("onalarm", {});
    api->dispatchEventObject("onalarm", VariantList{});
    EXPECT_TRUE(handler->takeCalls().empty());
    EXPECT_TRUE(proxyHandler->takeCalls().empty());
}

TEST(ScriptEvents, ProxiesSeeThemselvesWhereverTheFiringObjectWasPassed) {
    auto api = std::make_shared<TestApi>();
    auto proxy = std::make_shared<TestApi>();
    auto handler = RecordingPageObject::make(&contextA, false);
    proxy->addEventHandler("onclickArea", handler);
    api->addEventProxy(proxy);

    const JSAPIPtr self = api;
    api->fireNamedEvent("onclickArea", {self, VariantList{self}, VariantMap{{"who", self}}, 5});

    const auto calls = handler->takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    const VariantList& args = calls[0].args;
    const JSAPIPtr asProxy = proxy;
    EXPECT_EQ(args.at(0).cast<JSAPIPtr>(), asProxy);
    EXPECT_EQ(args.at(1).cast<VariantList>().at(0).cast<JSAPIPtr>(), asProxy);
    EXPECT_EQ(args.at(2).cast<VariantMap>().at("who").cast<JSAPIPtr>(), asProxy);
    EXPECT_EQ(args.at(3).cast<int>(), 5);

    api->removeEventProxy(proxy);
    api->fireNamedEvent("onclickArea", {});
    EXPECT_TRUE(handler->takeCalls().empty());
}

TEST(ScriptEvents, EventObjectKeepsItsFixedMembersAndCarriesTheArguments) {
    auto api = std::make_shared<TestApi>();
    auto handler = RecordingPageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);

    api->dispatchEventObject("onalarm", VariantMap{{"type", "forged"}, {"level", 3}}, {7});

    const auto calls = handler->takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, "invokeLater");
    const VariantMap event = calls[0].args.at(0).cast<VariantMap>();
    EXPECT_EQ(event.at("type").cast<std::string>(), "onalarm");
    EXPECT_EQ(event.at("namespaceURI").cast<std::string>(), "onalarm");
    EXPECT_EQ(event.at("eventPhase").cast<int>(), 2);
    EXPECT_FALSE(event.at("bubbles").cast<bool>());
    EXPECT_FALSE(event.at("cancelable").cast<bool>());
    EXPECT_EQ(event.at("target").cast<JSAPIPtr>(), JSAPIPtr(api));
    EXPECT_EQ(event.at("level").cast<int>(), 3);
    EXPECT_EQ(event.at("arguments").cast<VariantList>().at(0).cast<int>(), 7);
}

TEST(ScriptEvents, PageFunctionStoredAsAttributeIsCalledToo) {
    auto api = std::make_shared<TestApi>();
    auto function = RecordingPageObject::make(&contextA);
    api->SetProperty("onalarm", JSObjectPtr(function));

    api->fireNamedEvent("onalarm", {"smoke"});

    const auto calls = function->takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, "invokeLater");
    EXPECT_EQ(calls[0].args.at(0).cast<std::string>(), "smoke");
}

// A scripted call holds the object's scope lock on the browser's thread while it waits for a worker
// (a camera view's decoding thread, say). The worker's event must reach the handler side without
// that lock, or both threads would wait for each other.
TEST(ScriptEvents, WorkerFiresWhileAScriptedCallHoldsTheObject) {
    auto api = std::make_shared<TestApi>();
    auto handler = RecordingPageObject::make(&contextA);
    auto attributeFunction = RecordingPageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);
    api->SetProperty("onalarm", JSObjectPtr(attributeFunction));

    api->pushScope(0);
    auto worker = std::async(std::launch::async, [&] { api->fireNamedEvent("onalarm", {1}); });
    const bool delivered = worker.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    api->popScope();
    worker.get();

    EXPECT_TRUE(delivered) << "the firing thread waited for the object's scope lock";
    EXPECT_EQ(handler->takeCalls().size(), 1u);
    EXPECT_EQ(attributeFunction->takeCalls().size(), 1u);
}

}  // namespace
}  // namespace FB::testing
