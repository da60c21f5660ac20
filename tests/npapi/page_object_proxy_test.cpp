// Page objects as the plug-in sees them: browser calls made on the main thread whatever thread
// asks, the plug-in's own objects reached directly, and event delivery to page handlers and sinks.
#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "scripting/script_error.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using namespace npapi_test;
using FB::Npapi::NPObjectAPI;

class PageObjectProxy : public ::testing::Test {
protected:
    std::shared_ptr<NPObjectAPI> proxyOf(NPObject* object) { return std::make_shared<NPObjectAPI>(object, host); }

    // Runs `call` on a worker while this (main) thread serves the browser's queued calls.
    template <typename Call>
    void fromWorker(Call call) {
        std::atomic<bool> done{false};
        std::thread worker([&] { call(), done = true; });
        while (!done) browser.runAsyncCalls();
        worker.join();
    }

    TestBrowser browser;
    PluginInstance instance{browser};
    FB::Npapi::NpapiBrowserHostPtr host = instance.host();
};

TEST_F(PageObjectProxy, MembersAreReadWrittenAndCalledThroughTheBrowserOnTheMainThread) {
    PageObject* page = browser.makeObject();
    auto proxy = proxyOf(page);
    fromWorker([&] {
        proxy->SetProperty("size", 12);
        proxy->SetProperty(3, "third");
        EXPECT_EQ(12, proxy->GetProperty("size").convertTo<int>());
        EXPECT_EQ("third", proxy->GetProperty(3).convertTo<std::string>());
        EXPECT_EQ(2u, proxy->countMembers());
        proxy->RemoveProperty("size");
        EXPECT_FALSE(proxy->HasProperty("size"));
        EXPECT_TRUE(proxy->HasProperty(3));
    });
    EXPECT_FALSE(browser.calledOffMainThread());
    browser.release(page);
}

// The browser tells what the page object has: a method is a member holding a function, and the
// member list is the browser's enumeration, every name in its order.
TEST_F(PageObjectProxy, MethodQueriesAndTheMemberListComeFromTheBrowser) {
    PageObject* page = browser.makeObject();
    PageObject* function = browser.makeFunction([](const std::vector<NPVariant>&, NPVariant*) { return true; });
    browser.setProperty(page, "call", objectVariant(function));
    browser.setProperty(page, "count", intVariant(3));
    browser.setProperty(page, "name", intVariant(1));
    auto proxy = proxyOf(page);
    fromWorker([&] {
        const std::pair<const char*, bool> members[] = {{"call", true}, {"count", false}, {"missing", false}};
        for (const auto& [name, isMethod] : members) EXPECT_EQ(isMethod, proxy->HasMethod(name)) << name;
        std::vector<std::string> names;
        proxy->listMemberNames(names);
        EXPECT_EQ((std::vector<std::string>{"call", "count", "name"}), names);
    });
    EXPECT_FALSE(browser.calledOffMainThread());
    browser.release(function);
    browser.release(page);
}

TEST_F(PageObjectProxy, AnEmptyNameCallsTheObjectARefusalNamesTheMethodAndConstructReturnsTheNewObject) {
    PageObject* function = browser.makeFunction([&](const std::vector<NPVariant>& args, NPVariant* result) {
        *result = intVariant(NPVARIANT_TO_INT32(args.at(0)) * 2);
        return true;
    });
    auto proxy = proxyOf(function);
    EXPECT_EQ(42, proxy->Invoke("", {21}).convertTo<int>());
    auto refusal = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const FB::script_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ("missing", refusal([&] { proxy->Invoke("missing", {}); }));
    EXPECT_EQ("constructor", refusal([&] { proxy->Construct({}); }));

    static NPClass constructible{};
    constructible.structVersion = NP_CLASS_STRUCT_VERSION;
    constructible.construct = [](NPObject*, const NPVariant* args, uint32_t count, NPVariant* result) {
        INT32_TO_NPVARIANT(count == 1 ? NPVARIANT_TO_INT32(args[0]) + 1 : -1, *result);
        return true;
    };
    NPObject* type = browser.createObject(&constructible);
    EXPECT_EQ(8, proxyOf(type)->Construct({7}).convertTo<int>());
    browser.release(type);
    browser.release(function);
}

// A call whose arguments cannot all be converted for the browser is refused, and the arguments
// converted before the failing one are given back: the string's browser memory and the reference
// taken on a page object.
TEST_F(PageObjectProxy, ArgumentsConvertedBeforeOneThatCannotBeAreGivenBack) {
    PageObject* function = browser.makeFunction([](const std::vector<NPVariant>&, NPVariant*) { return true; });
    PageObject* page = browser.makeObject();
    auto proxy = proxyOf(function);
    browser.refusePropertyWrites = true;  // the page's new object cannot take the map's member
    const FB::VariantList args{std::string("text"), FB::variant(FB::JSObjectPtr(proxyOf(page))),
                               FB::variant(FB::VariantMap{{"member", 1}})};
    const int allocations = browser.liveAllocations();
    const uint32_t references = page->referenceCount;
    EXPECT_ANY_THROW(proxy->Invoke("", args));
    EXPECT_ANY_THROW(proxy->Construct(args));
    EXPECT_EQ(browser.liveAllocations(), allocations);
    EXPECT_EQ(page->referenceCount, references);
    browser.release(page);
    browser.release(function);
}

TEST_F(PageObjectProxy, AProxyOfThePluginsOwnObjectGoesStraightToItUntilCutLoose) {
    struct Counting : TestApi {
        int indexWrites = 0;
        void SetProperty(int, const FB::variant&) override { ++indexWrites; }
        using TestApi::SetProperty;
    };
    auto own = std::make_shared<Counting>();
    NPObject* wrapper = host->getJSAPIWrapper(FB::JSAPIPtr(own));
    auto proxy = proxyOf(wrapper);
    EXPECT_EQ(FB::JSAPIPtr(own), proxy->scriptingObject());
    proxy->SetProperty(2, 1);
    EXPECT_EQ(1, own->indexWrites);
    fromWorker([&] { EXPECT_EQ(7, proxy->Invoke("add", {3, 4}).convertTo<int>()); });
    proxy->invalidate();
    EXPECT_FALSE(proxy->Invoke("add", {3, 4}).convertTo<bool>());
    // Once the object is gone its proxy never throws.
    auto gone = proxyOf(wrapper);
    own.reset();
    EXPECT_EQ(nullptr, gone->scriptingObject());
    EXPECT_FALSE(gone->HasMethod("add"));
    browser.release(wrapper);
}

// Queries and removals on a proxy of the plug-in's own object are answered by that object itself,
// from any thread, without a browser call on its wrapper (whose answers differ: there "add" is a
// property holding a function object, not a method).
TEST_F(PageObjectProxy, QueriesAndRemovalsOnAProxyOfThePluginsOwnObjectReachItDirectly) {
    struct Recording : TestApi {
        std::vector<std::string> removed;
        void RemoveProperty(const std::string& name) override { removed.push_back(name); }
        void RemoveProperty(int index) override { removed.push_back("#" + std::to_string(index)); }
        bool HasProperty(int index) override { return index == 4; }
        using TestApi::HasProperty;
        using TestApi::RemoveProperty;
    };
    auto own = std::make_shared<Recording>();
    NPObject* wrapper = host->getJSAPIWrapper(FB::JSAPIPtr(own));
    auto proxy = proxyOf(wrapper);
    const int browserCalls = browser.objectCalls;
    fromWorker([&] {
        EXPECT_TRUE(proxy->HasMethod("add"));
        EXPECT_FALSE(proxy->HasMethod("Version"));
        EXPECT_TRUE(proxy->HasProperty("Version"));
        proxy->RemoveProperty("marker");
        proxy->RemoveProperty(7);
    });
    EXPECT_TRUE(proxy->HasProperty(4));
    EXPECT_FALSE(proxy->HasProperty(5));
    EXPECT_EQ((std::vector<std::string>{"marker", "#7"}), own->removed);
    EXPECT_EQ(browserCalls, browser.objectCalls);
    browser.release(wrapper);
}

TEST_F(PageObjectProxy, AfterTheHostIsGoneCallsAnswerQuietly) {
    PageObject* page = browser.makeObject();
    auto proxy = proxyOf(page);
    instance.destroy();
    host.reset();
    EXPECT_FALSE(proxy->isValid());
    EXPECT_FALSE(proxy->Invoke("anything", {}).convertTo<bool>());
    EXPECT_FALSE(proxy->HasMethod("anything"));
    proxy->SetProperty("x", 1);
    EXPECT_EQ(0u, page->properties.size());
    EXPECT_THROW(proxy->callHandlers("onalarm", {}, {}, {}), FB::script_error);
    proxy.reset();
    EXPECT_EQ(2u, page->referenceCount);  // the proxy's is the ended instance's, for the browser to drop
    browser.release(page);
    browser.release(page);
}

// Handlers are called themselves, sinks through their member named like the event; both from a
// page timer on the main thread.
TEST_F(PageObjectProxy, HandlersAndSinksCalledFromAWorkerRunLaterOnTheMainThread) {
    std::vector<std::string> heard;
    auto noting = [&](const std::string& who) {
        return browser.makeFunction([&heard, who](const std::vector<NPVariant>& args, NPVariant*) {
            heard.push_back(who + " " + std::to_string(NPVARIANT_TO_INT32(args.at(0))));
            return true;
        });
    };
    PageObject* handler = noting("handler");
    PageObject* sink = browser.makeObject();
    PageObject* member = noting("sink");
    browser.setProperty(sink, "onalarm", objectVariant(member));
    auto handlerProxy = proxyOf(handler), sinkProxy = proxyOf(sink);
    std::thread([&] { handlerProxy->callHandlers("onalarm", {5}, {handlerProxy}, {sinkProxy}); }).join();
    browser.runAsyncCalls();
    EXPECT_TRUE(heard.empty());
    browser.runTimers();
    EXPECT_EQ((std::vector<std::string>{"handler 5", "sink 5"}), heard);
    EXPECT_FALSE(browser.calledOffMainThread());
    for (PageObject* object : {handler, sink, member}) browser.release(object);
}

// A handler that is the plug-in's own object is called at once with the event's arguments; only
// page handlers go through the page's relay and its timer.
TEST_F(PageObjectProxy, AHandlerThatIsThePluginsOwnObjectIsCalledAtOnceNotThroughThePage) {
    struct Heard : TestApi {
        std::vector<std::string> calls;
        FB::variant Invoke(const std::string& name, const FB::VariantList& args) override {
            calls.push_back("'" + name + "' " + std::to_string(args.at(0).convertTo<int>()));
            return FB::variant();
        }
        using TestApi::Invoke;
    };
    auto own = std::make_shared<Heard>();
    NPObject* wrapper = host->getJSAPIWrapper(FB::JSAPIPtr(own));
    std::vector<int> pageHeard;
    PageObject* pageHandler = browser.makeFunction([&](const std::vector<NPVariant>& args, NPVariant*) {
        pageHeard.push_back(NPVARIANT_TO_INT32(args.at(0)));
        return true;
    });
    auto ownProxy = proxyOf(wrapper), pageProxy = proxyOf(pageHandler);
    ownProxy->callHandlers("onalarm", {9}, {ownProxy, pageProxy}, {});
    EXPECT_EQ(std::vector<std::string>{"'' 9"}, own->calls);
    EXPECT_EQ(1u, browser.pendingTimers());
    browser.runTimers();
    EXPECT_EQ(std::vector<int>{9}, pageHeard);
    EXPECT_EQ(1u, own->calls.size());
    browser.release(pageHandler);
    browser.release(wrapper);
}

}  // namespace
