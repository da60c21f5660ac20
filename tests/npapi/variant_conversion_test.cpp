// Values between the page and the plug-in: FB::variant to NPVariant and back, and the one
// page-side wrapper of each live plug-in object.
#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <new>

namespace {

using namespace npapi_test;

class VariantConversion : public ::testing::Test {
protected:
    NPVariant toPage(const FB::variant& value) {
        NPVariant result;
        host->getNPVariant(&result, value);
        return result;
    }
    void release(NPVariant& value) { browser.releaseVariant(&value); }

    TestBrowser browser;
    PluginInstance instance{browser};
    FB::Npapi::NpapiBrowserHostPtr host = instance.host();
};

TEST_F(VariantConversion, NumbersThatFitAreInt32AndTheOthersDecimalText) {
    NPVariant value = toPage(-1);
    EXPECT_EQ(NPVariantType_Int32, value.type);
    EXPECT_EQ(-1, value.value.intValue);
    value = toPage(static_cast<unsigned int>(4294967295u));
    EXPECT_EQ("4294967295", stringOf(value));
    release(value);
    value = toPage(static_cast<long long>(5));
    EXPECT_EQ("5", stringOf(value));
    release(value);
    value = toPage(2.5);
    EXPECT_EQ(2.5, value.value.doubleValue);
    EXPECT_EQ(NPVariantType_Null, toPage(FB::variant(FB::variant_detail::null())).type);
    EXPECT_EQ(NPVariantType_Void, toPage(FB::variant()).type);
    EXPECT_EQ(NPVariantType_Bool, toPage(true).type);
    struct Unknown {};
    EXPECT_EQ(NPVariantType_Void, toPage(FB::variant(Unknown{})).type);
}

TEST_F(VariantConversion, StringsKeepEmbeddedZerosAndIncomingOnesAreReadToTheirLength) {
    NPVariant value = toPage(std::string("a\0b", 3));
    EXPECT_EQ(3u, value.value.stringValue.UTF8Length);
    EXPECT_EQ(std::string("a\0b", 3), stringOf(value));
    release(value);

    const char unterminated[] = {'x', 'y', 'z'};
    NPVariant incoming;
    STRINGN_TO_NPVARIANT(unterminated, 2, incoming);
    EXPECT_EQ("xy", host->getVariant(&incoming).cast<std::string>());
    STRINGN_TO_NPVARIANT(nullptr, 5, incoming);
    EXPECT_EQ("", host->getVariant(&incoming).cast<std::string>());
    incoming.type = static_cast<NPVariantType>(42);
    EXPECT_TRUE(host->getVariant(&incoming).isEmpty());
    OBJECT_TO_NPVARIANT(nullptr, incoming);
    EXPECT_TRUE(host->getVariant(&incoming).isNull());
}

TEST_F(VariantConversion, ListsAndMapsBecomeNewPageArraysAndObjects) {
    NPVariant value = toPage(FB::VariantList{});
    ASSERT_EQ(NPVariantType_Object, value.type);
    auto* array = static_cast<PageObject*>(NPVARIANT_TO_OBJECT(value));
    EXPECT_TRUE(array->isArray);
    EXPECT_EQ(0, NPVARIANT_TO_INT32(array->properties["length"]));
    release(value);

    value = toPage(FB::VariantList{1, "two"});
    array = static_cast<PageObject*>(NPVARIANT_TO_OBJECT(value));
    EXPECT_EQ(2, NPVARIANT_TO_INT32(array->properties["length"]));
    EXPECT_EQ("two", stringOf(array->properties["1"]));
    release(value);

    value = toPage(FB::VariantMap{{"b", 2}, {"a", 1}});
    auto* map = static_cast<PageObject*>(NPVARIANT_TO_OBJECT(value));
    EXPECT_EQ(1, NPVARIANT_TO_INT32(map->properties["a"]));
    release(value);
    instance.destroy();
    EXPECT_EQ(3, browser.liveObjects());
}

TEST_F(VariantConversion, ALiveObjectHasOneWrapperUntilTheBrowserLetsItGo) {
    auto child = std::make_shared<TestApi>();
    NPVariant first = toPage(FB::JSAPIPtr(child));
    NPVariant second = toPage(FB::JSAPIPtr(child));
    ASSERT_EQ(NPVariantType_Object, first.type);
    EXPECT_EQ(NPVARIANT_TO_OBJECT(first), NPVARIANT_TO_OBJECT(second));
    EXPECT_EQ(2u, NPVARIANT_TO_OBJECT(first)->referenceCount);
    release(first);
    release(second);
    NPVariant third = toPage(FB::JSAPIPtr(child));
    EXPECT_EQ(1u, NPVARIANT_TO_OBJECT(third)->referenceCount);
    release(third);
}

// A new object made where one that died lived must not be handed the old one's wrapper.
TEST_F(VariantConversion, TheWrapperCacheChecksTheObjectNotJustItsAddress) {
    alignas(TestApi) static unsigned char storage[sizeof(TestApi)];
    auto placed = [] { return std::shared_ptr<TestApi>(new (storage) TestApi(), [](TestApi* p) { p->~TestApi(); }); };
    auto first = placed();
    NPVariant oldWrapper = toPage(FB::JSAPIPtr(first));
    host->dropObject(first);  // the page still holds the wrapper, not the object
    first.reset();
    auto second = placed();
    NPVariant newWrapper = toPage(FB::JSAPIWeakPtr(second));
    ASSERT_EQ(NPVariantType_Object, newWrapper.type);
    EXPECT_NE(NPVARIANT_TO_OBJECT(oldWrapper), NPVARIANT_TO_OBJECT(newWrapper));
    auto* wrapper = FB::Npapi::NPJavascriptObject::fromNPObject(NPVARIANT_TO_OBJECT(newWrapper));
    EXPECT_EQ(second, wrapper->getAPI());
    release(oldWrapper);
    release(newWrapper);
    second.reset();
}

TEST_F(VariantConversion, PageObjectsMadeByThePluginGetAWrapperEachTime) {
    // A plug-in page object that is no proxy of the browser's.
    struct PluginPageObject : FB::JSObject {
        using FB::JSAPI::GetProperty;
        using FB::JSAPI::HasMethod;
        using FB::JSAPI::HasProperty;
        using FB::JSAPI::Invoke;
        using FB::JSAPI::listMemberNames;
        using FB::JSAPI::RemoveProperty;
        using FB::JSAPI::SetProperty;
        using FB::JSObject::JSObject;
        void invalidate() override {}
        void listMemberNames(std::vector<std::string>&) override {}
        size_t countMembers() override { return 0; }
        bool HasMethod(const std::string&) override { return false; }
        bool HasProperty(const std::string&) override { return false; }
        bool HasProperty(int) override { return false; }
        FB::variant GetProperty(const std::string&) override { return {}; }
        FB::variant GetProperty(int) override { return {}; }
        void SetProperty(const std::string&, const FB::variant&) override {}
        void SetProperty(int, const FB::variant&) override {}
        void RemoveProperty(const std::string&) override {}
        void RemoveProperty(int) override {}
        FB::variant Invoke(const std::string&, const FB::VariantList&) override { return {}; }
        FB::variant Construct(const FB::VariantList&) override { return {}; }
        bool isValid() override { return true; }
        FB::JSAPIPtr scriptingObject() override { return nullptr; }
    };
    auto pageObject = std::make_shared<PluginPageObject>(host);
    NPVariant first = toPage(FB::JSObjectPtr(pageObject));
    NPVariant second = toPage(FB::JSObjectPtr(pageObject));
    EXPECT_NE(NPVARIANT_TO_OBJECT(first), NPVARIANT_TO_OBJECT(second));
    release(first);
    release(second);

    std::weak_ptr<TestApi> gone = std::make_shared<TestApi>();
    EXPECT_EQ(NPVariantType_Null, toPage(FB::JSAPIWeakPtr(gone)).type);
    EXPECT_EQ(NPVariantType_Null, toPage(FB::JSAPIPtr()).type);
}

TEST_F(VariantConversion, APluginWrapperComesBackAsItsOwnObject) {
    NPObject* scriptable = instance.scriptable();
    NPVariant incoming = objectVariant(scriptable);
    const FB::variant value = host->getVariant(&incoming);
    auto proxy = std::dynamic_pointer_cast<FB::Npapi::NPObjectAPI>(value.cast<FB::JSObjectPtr>());
    ASSERT_NE(nullptr, proxy);
    EXPECT_EQ(instance.api(), proxy->scriptingObject());
    EXPECT_EQ(FB::JSAPIPtr(instance.api()), value.convertTo<FB::JSAPIPtr>());
    browser.release(scriptable);
}

}  // namespace
