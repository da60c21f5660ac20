// Where page script and NPAPI objects meet, on the browser's main thread: a plug-in object of a
// small class in this file reached from script through its proxy, and page script objects reached
// through the browser's page-object class, with their identity, errors and references.
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/npapi_browser/script_bridge.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace test_support;

namespace {

// What the class below works with; set up by the fixture on the main thread.
BrowserIdentifiers* identifiers = nullptr;
int deallocated = 0;

struct Counter : NPObject {
    int value = 0;
};

bool named(NPIdentifier name, const char* text) {
    const IdentifierRecord* record = identifiers->find(name);
    return record && record->isString && record->name == text;
}

NPObject* allocate(NPP, NPClass*) { return new Counter(); }
void deallocate(NPObject* object) {
    ++deallocated;
    delete static_cast<Counter*>(object);
}
bool hasProperty(NPObject*, NPIdentifier name) { return named(name, "value"); }
bool getProperty(NPObject* object, NPIdentifier, NPVariant* result) {
    INT32_TO_NPVARIANT(static_cast<Counter*>(object)->value, *result);
    return true;
}
bool setProperty(NPObject* object, NPIdentifier, const NPVariant* value) {
    if (!NPVARIANT_IS_INT32(*value)) return false;
    static_cast<Counter*>(object)->value = NPVARIANT_TO_INT32(*value);
    return true;
}
bool hasMethod(NPObject*, NPIdentifier name) { return named(name, "twice"); }
bool invoke(NPObject*, NPIdentifier, const NPVariant* arguments, uint32_t count, NPVariant* result) {
    if (count != 1 || !NPVARIANT_IS_INT32(arguments[0])) return false;
    INT32_TO_NPVARIANT(2 * NPVARIANT_TO_INT32(arguments[0]), *result);
    return true;
}
bool invokeDefault(NPObject*, const NPVariant*, uint32_t count, NPVariant* result) {
    INT32_TO_NPVARIANT(static_cast<int32_t>(count), *result);
    return true;
}
bool enumerate(NPObject*, NPIdentifier** names, uint32_t* count) {
    *names = static_cast<NPIdentifier*>(std::malloc(2 * sizeof(NPIdentifier)));
    (*names)[0] = identifiers->forName("value");
    (*names)[1] = identifiers->forName("twice");
    *count = 2;
    return true;
}

NPClass counterClass = {NP_CLASS_STRUCT_VERSION,
                        allocate,
                        deallocate,
                        nullptr,
                        hasMethod,
                        invoke,
                        invokeDefault,
                        hasProperty,
                        getProperty,
                        setProperty,
                        nullptr,
                        enumerate,
                        nullptr};

class StandInBrowserScriptBridge : public ::testing::Test {
protected:
    void SetUp() override {
        deallocated = 0;
        main_.run([this] {
            page_ = std::make_unique<PageScript>("file:///page.html");
            bridge_ = std::make_unique<ScriptBridge>(*page_, objects_, identifiers_, faults_);
            identifiers = &identifiers_;
        });
    }
    void TearDown() override {
        main_.run([this] {
            bridge_->detachPage();
            page_.reset();
            bridge_->releaseDroppedReferences();
            bridge_.reset();
            EXPECT_EQ(objects_.liveCount(), 0u);
        });
        EXPECT_TRUE(faults_.all().empty());
    }

    std::string run(const std::string& script) { return page_->evaluate(script).text; }

    // Makes a counter with the test's reference and hands it to script as the global "counter".
    NPObject* counterInScript() {
        NPObject* counter = objects_.create(nullptr, &counterClass);
        duk_context* context = page_->context();
        bridge_->pushPluginObject(counter);
        duk_put_global_string(context, "counter");
        return counter;
    }

    void collectGarbage() {
        duk_gc(page_->context(), 0);
        duk_gc(page_->context(), 0);
        bridge_->releaseDroppedReferences();
    }

    BrowserFaults faults_;
    BrowserMainThread main_{[this](const std::string& fault) { faults_.record(fault); }, nullptr};
    BrowserObjects objects_{faults_};
    BrowserIdentifiers identifiers_;
    std::unique_ptr<PageScript> page_;
    std::unique_ptr<ScriptBridge> bridge_;
};

}  // namespace

TEST_F(StandInBrowserScriptBridge, ScriptReachesAPluginObjectThroughItsClass) {
    main_.run([this] {
        NPObject* counter = counterInScript();
        EXPECT_EQ(run("counter.value = 21;"
                      "[counter.value, counter.twice(counter.value), counter(1, 2, 3), 'value' in counter,"
                      " 'twice' in counter, 'nothing' in counter, typeof counter.nothing,"
                      " Object.getOwnPropertyNames(counter).join('+')].join()"),
                  "21,42,3,true,true,false,undefined,value+twice");
        bridge_->pushPluginObject(counter);  // the same object is the same script value
        duk_put_global_string(page_->context(), "again");
        EXPECT_EQ(run("again === counter"), "true");
        objects_.release(counter, "the test");
    });
}

TEST_F(StandInBrowserScriptBridge, ProxiesGiveTheirReferenceBackWhenDroppedOrCutLoose) {
    main_.run([this] {
        NPObject* counter = counterInScript();
        EXPECT_EQ(counter->referenceCount, 2u);
        run("var method = counter.twice; counter = null; method = null;");
        collectGarbage();
        EXPECT_EQ(counter->referenceCount, 1u);

        bridge_->pushPluginObject(counter);
        duk_put_global_string(page_->context(), "counter");
        objects_.release(counter, "the test");
        EXPECT_EQ(deallocated, 0);
        bridge_->disconnectProxies();
        EXPECT_EQ(deallocated, 1);
        EXPECT_EQ(run("try { counter.value; 'no error' } catch (e) { e.message }"),
                  "The plug-in object is no longer available");
    });
}

TEST_F(StandInBrowserScriptBridge, PageObjectsKeepTheirIdentityAndRunScriptOperations) {
    main_.run([this] {
        run("var add = function(a, b) { return a + b; };"
            "var fails = function() { throw new Error('page failure'); };"
            "var holder = { n: 1, plus: function(x) { return this.n + x; } };");
        duk_context* context = page_->context();
        auto pageObject = [&](const char* name) {
            duk_get_global_string(context, name);
            NPObject* object = bridge_->pageObjectFor(-1);
            duk_pop(context);
            return object;
        };
        NPObject* add = pageObject("add");
        NPObject* addAgain = pageObject("add");
        EXPECT_EQ(add, addAgain);
        EXPECT_EQ(add->referenceCount, 2u);
        NPObject* holder = pageObject("holder");

        NPVariant arguments[2];
        INT32_TO_NPVARIANT(2, arguments[0]);
        STRINGN_TO_NPVARIANT("x\0y", 3, arguments[1]);  // exactly its length, NUL included
        NPVariant result;
        ASSERT_TRUE(add->_class->invokeDefault(add, arguments, 2, &result));
        ASSERT_TRUE(NPVARIANT_IS_STRING(result));
        EXPECT_EQ(std::string(result.value.stringValue.UTF8Characters, result.value.stringValue.UTF8Length),
                  std::string("2x\0y", 4));
        releaseVariantValue(result, objects_);

        ASSERT_TRUE(holder->_class->invoke(holder, identifiers_.forName("plus"), arguments, 1, &result));
        EXPECT_EQ(NPVARIANT_TO_INT32(result), 3);
        EXPECT_TRUE(holder->_class->setProperty(holder, identifiers_.forName("n"), &arguments[0]));
        EXPECT_EQ(run("holder.n"), "2");
        EXPECT_TRUE(holder->_class->hasMethod(holder, identifiers_.forName("plus")));
        EXPECT_FALSE(holder->_class->hasMethod(holder, identifiers_.forName("n")));
        NPIdentifier* names = nullptr;
        uint32_t count = 0;
        ASSERT_TRUE(holder->_class->enumerate(holder, &names, &count));
        ASSERT_EQ(count, 2u);
        EXPECT_EQ(names[0], identifiers_.forName("n"));
        std::free(names);

        NPObject* fails = pageObject("fails");
        EXPECT_FALSE(fails->_class->invokeDefault(fails, nullptr, 0, &result));
        EXPECT_EQ(page_->consoleLines().back(), "Uncaught Error: page failure");

        for (NPObject* object : {add, addAgain, holder, fails}) objects_.release(object, "the test");
        EXPECT_EQ(objects_.liveCount(), 0u);
        NPObject* renewed = pageObject("add");  // a new page object once the old one has gone
        ASSERT_NE(renewed, nullptr);
        EXPECT_EQ(renewed->referenceCount, 1u);
        objects_.release(renewed, "the test");
    });
}
