#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/scripting/recording_page_object.h"
#include "tests/scripting/test_api.h"

namespace FB::testing {
namespace {

int contextA = 0;
int contextB = 0;

using Page = std::shared_ptr<RecordingPageObject>;
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
    auto first = RecordingPageObject::make(&contextA);
    auto second = RecordingPageObject::make(&contextA);
    auto sink = RecordingPageObject::make(&contextA);
    auto other = RecordingPageObject::make(&contextB, false);
    api->addEventHandler("onalarm", first);
    api->addEventHandler("onalarm", second);
    api->addEventSink(sink);
    api->addEventHandler(std::wstring(L"onalarm"), other);

    api->fireNamedEvent("onalarm", {"door open"});

    const RecordedCall batch = only(first, "callHandlers");
    EXPECT_EQ(batch.name, "onalarm");
    EXPECT_EQ(batch.args.at(0).cast<std::string>(), "door open");
    EXPECT_EQ(batch.handlers, (Pages{first, second}));
    EXPECT_EQ(batch.sinks, (Pages{sink}));
    EXPECT_TRUE(second->takeCalls().empty());
    EXPECT_TRUE(sink->takeCalls().empty());  // served inside the batch, not again
    EXPECT_EQ(only(other, "invokeLater").name, "");
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
    only(handler, "callHandlers");

    api->removeEventHandler("onalarm", handler);
    api->fireNamedEvent("onalarm", {});
    EXPECT_TRUE(handler->takeCalls().empty());
}

TEST(ScriptEvents, WithoutABatchEveryHandlerAndSinkIsCalledOnItsOwn) {
    auto api = std::make_shared<TestApi>();
    auto plainHandler = RecordingPageObject::make(&contextA, false);
    auto browserHandler = RecordingPageObject::make(&contextA);
    // Sinks are walked in address order: the plain one first, then the one taking the batch.
    Page plainSink = RecordingPageObject::make(&contextA);
    Page browserSink = RecordingPageObject::make(&contextA);
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
    const JSAPIPtr asProxy = proxy;
    api->fireNamedEvent("onclickArea", {self, VariantList{self}, VariantMap{{"who", self}}, 5});

    const VariantList args = only(handler, "invokeLater").args;
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[0].cast<JSAPIPtr>(), asProxy);
    EXPECT_EQ(args[1].cast<VariantList>().at(0).cast<JSAPIPtr>(), asProxy);
    EXPECT_EQ(args[2].cast<VariantMap>().at("who").cast<JSAPIPtr>(), asProxy);
    EXPECT_EQ(args[3].cast<int>(), 5);

    api->removeEventProxy(proxy);
    api->fireNamedEvent("onclickArea", {});
    EXPECT_TRUE(handler->takeCalls().empty());
}

TEST(ScriptEvents, EventObjectKeepsItsFixedMembersAndCarriesTheArguments) {
    auto api = std::make_shared<TestApi>();
    auto handler = RecordingPageObject::make(&contextA);
    api->addEventHandler("onalarm", handler);

    api->dispatchEventObject("onalarm", VariantMap{{"type", "forged"}, {"level", 3}}, {7});

    const VariantMap event = only(handler, "invokeLater").args.at(0).cast<VariantMap>();
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
    EXPECT_EQ(only(function, "invokeLater").args.at(0).cast<std::string>(), "smoke");
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
    only(handler, "callHandlers");
    only(attributeFunction, "invokeLater");
}

}  // namespace
}  // namespace FB::testing
