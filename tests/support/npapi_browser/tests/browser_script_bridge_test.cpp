// Script holds one proxy per plug-in object: handed over twice, the object is the same script value.
#include "tests/support/npapi_browser/script_bridge.h"
#include "tests/support/page_engine/browser_main_thread.h"

#include <gtest/gtest.h>

#include <memory>

using namespace test_support;

TEST(StandInBrowserScriptBridge, APluginObjectHandedOverTwiceIsTheSameScriptValue) {
    BrowserFaults faults;
    BrowserMainThread main{[&](const std::string& fault) { faults.record(fault); }, nullptr};
    BrowserObjects objects{faults};
    BrowserIdentifiers identifiers;
    NPClass bare{};
    bare.structVersion = NP_CLASS_STRUCT_VERSION;
    main.run([&] {
        auto page = std::make_unique<PageScript>("file:///page.html");
        ScriptBridge bridge(*page, objects, identifiers, faults);
        NPObject* object = objects.create(nullptr, &bare);
        for (const char* name : {"first", "second"}) {
            bridge.pushPluginObject(object);
            duk_put_global_string(page->context(), name);
        }
        EXPECT_EQ(page->evaluate("first === second").text, "true");
        objects.release(object, "the test");
        bridge.detachPage();
        page.reset();
        bridge.releaseDroppedReferences();
    });
    EXPECT_EQ(objects.liveCount(), 0u);
    EXPECT_TRUE(faults.all().empty());
}
