// Page objects as the plug-in sees them: browser calls made on the main thread whatever thread
// asks, the plug-in's own objects reached directly, and event delivery to page handlers.
#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "scripting/script_error.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <atomic>
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
        std::thread worker([&] {
            call();
            done = true;
        });
        while (!done) browser.runAsyncCalls();
        worker.join();
    }

    TestBrowser browser;
    PluginInstance instance{browser};
    FB::Npapi::NpapiBrowserHostPtr host = instance.host();
};

TEST_F(PageObjectProxy, MembersAreReadWrittenAndCalledThroughTheBrowser) {
    PageObject* page = browser.makeObject();
    auto proxy = proxyOf(page);
    proxy->SetProperty("size", 12);
    EXPECT_EQ(12, proxy->GetProperty("size").convertTo<int>());
    EXPECT_TRUE(proxy->HasProperty("size"));
    proxy->SetProperty(3, "third");
    EXPECT_EQ("third", proxy->GetProperty(3).convertTo<std::string>());
    EXPECT_EQ(2u, proxy->countMembers());
    proxy->RemoveProperty("size");
    EXPECT_FALSE(proxy->HasProperty("size"));
    browser.release(page);
}

TEST_F(PageObjectProxy, AnEmptyNameCallsTheObjectAndARefusalNamesTheMethod) {
    PageObject* function = browser.makeFunction([&](const std::vector<NPVariant>& args, NPVariant* result) {
        *result = intVariant(NPVARIANT_TO_INT32(args.at(0)) * 2);
        return true;
    });
    auto proxy = proxyOf(function);
    EXPECT_EQ(42, proxy->Invoke("", {21}).convertTo<int>());
    try {
        proxy->Invoke("missing", {});
        ADD_FAILURE() << "no error";
    } catch (const FB::script_error& e) {
        EXPECT_STREQ("missing", e.what());
    }
    EXPECT_THROW(proxy->Construct({}), FB::script_error);
    browser.release(function);
}

// A call whose arguments cannot all be converted for the browser is refused, and the arguments
// converted before the failing one are given back: the string's browser memory and the reference
// taken on a page object.
TEST_F(PageObjectProxy, ArgumentsConvertedBeforeOneThatCannotBeAreGivenBack) {
    PageObject* function = browser.makeFunction([](const std::vector<NPVariant>&, NPVariant*) { return true; });
    PageObject* page = browser.makeObject();
    auto proxy = proxyOf(function);
    const FB::VariantList args{std::string("text"), FB::variant(FB::JSObjectPtr(proxyOf(page))),
                               FB::variant(1L << 40)};  // no 32-bit integer
    const int allocations = browser.liveAllocations();
    const uint32_t references = page->referenceCount;
    EXPECT_ANY_THROW(proxy->Invoke("", args));
    EXPECT_ANY_THROW(proxy->Construct(args));
    EXPECT_EQ(browser.liveAllocations(), allocations);
    EXPECT_EQ(page->referenceCount, references);
    browser.release(page);
    browser.release(function);
}

TEST_F(PageObjectProxy, AWorkersCallsAreMadeOnTheMainThread) {
    PageObject* page = browser.makeObject();
    auto proxy = proxyOf(page);
    fromWorker([&] {
        proxy->SetProperty("from", "worker");
        proxy->SetProperty(0, "zeroth");
        EXPECT_TRUE(proxy->HasProperty(0));
        EXPECT_FALSE(proxy->HasProperty(1));
        EXPECT_EQ("worker", proxy->GetProperty("from").convertTo<std::string>());
    });
    EXPECT_FALSE(browser.calledOffMainThread());
    browser.release(page);
}

TEST_F(PageObjectProxy, AProxyOfThePluginsOwnObjectGoesStraightToIt) {
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

TEST_F(PageObjectProxy, AProxyOfAnObjectWhoseWrappedObjectIsGoneNeverThrows) {
    auto own = std::make_shared<TestApi>();
    NPObject* wrapper = host->getJSAPIWrapper(FB::JSAPIPtr(own));
    auto proxy = proxyOf(wrapper);
    own.reset();
    EXPECT_EQ(nullptr, proxy->scriptingObject());
    EXPECT_FALSE(proxy->HasMethod("add"));
    browser.release(wrapper);
}

TEST_F(PageObjectProxy, HandlersCalledFromAWorkerRunLaterOnTheMainThread) {
    std::vector<int> heard;
    PageObject* handler = browser.makeFunction([&](const std::vector<NPVariant>& args, NPVariant*) {
        heard.push_back(NPVARIANT_TO_INT32(args.at(0)));
        return true;
    });
    auto proxy = proxyOf(handler);
    std::thread worker([&] { proxy->callHandlers("onalarm", {5}, {proxy}, {}); });
    worker.join();
    EXPECT_TRUE(heard.empty());
    browser.runAsyncCalls();
    browser.runTimers();
    EXPECT_EQ((std::vector<int>{5}), heard);
    EXPECT_FALSE(browser.calledOffMainThread());
    browser.release(handler);
}

}  // namespace
