// Values between the page and the plug-in: FB::variant to NPVariant and back, and the one
// page-side wrapper of each live plug-in object.
#include "npapi/np_javascript_object.h"
#include "tests/npapi/support/plugin_instance.h"
#include "tests/scripting/page_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <sstream>
#include <utility>

namespace {

using namespace npapi_test;

// The properties the plug-in sets on page objects, by name in the order it sets them.
std::vector<std::string> g_propertiesSet;
NPN_SetPropertyProcPtr g_browserSetProperty = nullptr;

bool recordingSetProperty(NPP npp, NPObject* object, NPIdentifier name, const NPVariant* value) {
    g_propertiesSet.push_back(TestBrowser::current().identifier(name)->name);
    return g_browserSetProperty(npp, object, name, value);
}

bool recordPropertiesSet(TestBrowser& browser) {
    g_browserSetProperty = std::exchange(browser.funcs.setproperty, &recordingSetProperty);
    return true;
}

class VariantConversion : public ::testing::Test {
protected:
    // The page's value as type and text, given back to the browser.
    std::string toPage(const FB::variant& value) {
        NPVariant converted;
        host->getNPVariant(&converted, value);
        const char* const kinds[] = {"void", "null", "bool ", "int ", "double ", "string ", "object"};
        std::ostringstream text;
        text << kinds[converted.type];
        if (converted.type == NPVariantType_Bool) text << converted.value.boolValue;
        if (converted.type == NPVariantType_Int32) text << converted.value.intValue;
        if (converted.type == NPVariantType_Double) text << converted.value.doubleValue;
        if (converted.type == NPVariantType_String) text << stringOf(converted);
        browser.releaseVariant(&converted);
        return text.str();
    }
    NPVariant objectToPage(const FB::variant& value) {
        NPVariant converted;
        host->getNPVariant(&converted, value);
        EXPECT_EQ(NPVariantType_Object, converted.type);
        return converted;
    }

    TestBrowser browser;
    bool recording = recordPropertiesSet(browser);
    PluginInstance instance{browser};
    FB::Npapi::NpapiBrowserHostPtr host = instance.host();
};

TEST_F(VariantConversion, SmallSignedNumbersAreInt32AndWiderOrUnsignedOnesDecimalText) {
    struct Unknown {};
    std::weak_ptr<TestApi> gone = std::make_shared<TestApi>();
    const std::pair<FB::variant, std::string> values[] = {
        {-1, "int -1"},
        {static_cast<short>(-3), "int -3"},
        {'A', "int 65"},
        {4294967295u, "string 4294967295"},
        {5LL, "string 5"},
        {int64_t(5), "string 5"},
        {int64_t(1) << 40, "string 1099511627776"},
        {int64_t(-1), "string -1"},
        {5L, "string 5"},
        {-(1L << 33), "string -8589934592"},
        {7UL, "string 7"},
        {18446744073709551615UL, "string 18446744073709551615"},
        {static_cast<unsigned short>(65535), "int 65535"},
        {static_cast<unsigned char>(255), "int 255"},
        {2.5, "double 2.5"},
        {true, "bool 1"},
        {std::wstring(L"\x4E2D"), "string \xE4\xB8\xAD"},
        {std::string("a\0b", 3), std::string("string a\0b", 10)},
        {FB::variant(FB::variant_detail::null()), "null"},
        {FB::variant(), "void"},
        {FB::variant(Unknown{}), "void"},
        {FB::JSAPIWeakPtr(gone), "null"},
    };
    for (const auto& [value, expected] : values) EXPECT_EQ(expected, toPage(value)) << expected;
}

// Each browser value keeps its kind and its value: a null is not an absent value, and a number
// that is no whole number stays a double.
TEST_F(VariantConversion, IncomingValuesKeepTheirKindAndValue) {
    auto describe = [](const FB::variant& value) {
        std::ostringstream text;
        if (value.isEmpty()) text << "empty";
        if (value.isNull()) text << "null";
        if (value.type() == typeid(bool)) text << "bool " << value.cast<bool>();
        if (value.type() == typeid(int)) text << "int " << value.cast<int>();
        if (value.type() == typeid(double)) text << "double " << value.cast<double>();
        return text.str();
    };
    NPVariant voidValue, nullValue, boolValue, intValue, wholeDouble, fraction, negativeFraction;
    VOID_TO_NPVARIANT(voidValue);
    NULL_TO_NPVARIANT(nullValue);
    BOOLEAN_TO_NPVARIANT(true, boolValue);
    INT32_TO_NPVARIANT(-7, intValue);
    DOUBLE_TO_NPVARIANT(3.0, wholeDouble);
    DOUBLE_TO_NPVARIANT(2.5, fraction);
    DOUBLE_TO_NPVARIANT(-0.25, negativeFraction);
    const std::pair<NPVariant, std::string> values[] = {
        {voidValue, "empty"},
        {nullValue, "null"},
        {boolValue, "bool 1"},
        {intValue, "int -7"},
        {wholeDouble, "double 3"},
        {fraction, "double 2.5"},
        {negativeFraction, "double -0.25"},
    };
    for (const auto& [incoming, expected] : values) EXPECT_EQ(expected, describe(host->getVariant(&incoming)));
}

TEST_F(VariantConversion, IncomingValuesAreReadToTheirLengthAndTagsOutOfRangeAreEmpty) {
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

// A map's members are set in the order of their names, as the page then lists them.
TEST_F(VariantConversion, ListsAndMapsBecomeNewPageArraysAndObjects) {
    NPVariant value = objectToPage(FB::VariantList{});
    auto* array = static_cast<PageObject*>(NPVARIANT_TO_OBJECT(value));
    EXPECT_TRUE(array->isArray);
    EXPECT_EQ(0, NPVARIANT_TO_INT32(array->properties["length"]));
    browser.releaseVariant(&value);
    value = objectToPage(FB::VariantList{1, "two"});
    array = static_cast<PageObject*>(NPVARIANT_TO_OBJECT(value));
    EXPECT_EQ(2, NPVARIANT_TO_INT32(array->properties["length"]));
    EXPECT_EQ("two", stringOf(array->properties["1"]));
    browser.releaseVariant(&value);

    g_propertiesSet.clear();
    value = objectToPage(FB::VariantMap{{"b", 2}, {"a", 1}, {"B", 3}});
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b"}), g_propertiesSet);
    EXPECT_EQ(1, NPVARIANT_TO_INT32(static_cast<PageObject*>(NPVARIANT_TO_OBJECT(value))->properties["a"]));
    browser.releaseVariant(&value);
    instance.destroy();
    EXPECT_EQ(3, browser.liveObjects());
}

// A plug-in object has one wrapper while it and the wrapper live; a page object the plug-in made
// itself gets a new wrapper each time.
TEST_F(VariantConversion, ALiveObjectHasOneWrapperUntilTheBrowserLetsItGo) {
    auto child = std::make_shared<TestApi>();
    NPVariant first = objectToPage(FB::JSAPIPtr(child));
    NPVariant second = objectToPage(FB::JSAPIPtr(child));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(first), NPVARIANT_TO_OBJECT(second));
    EXPECT_EQ(2u, NPVARIANT_TO_OBJECT(first)->referenceCount);
    browser.releaseVariant(&first);
    browser.releaseVariant(&second);
    NPVariant third = objectToPage(FB::JSAPIPtr(child));
    EXPECT_EQ(1u, NPVARIANT_TO_OBJECT(third)->referenceCount);
    browser.releaseVariant(&third);

    auto pageObject = std::make_shared<FB::testing::PageObject>();
    first = objectToPage(FB::JSObjectPtr(pageObject));
    second = objectToPage(FB::JSObjectPtr(pageObject));
    EXPECT_NE(NPVARIANT_TO_OBJECT(first), NPVARIANT_TO_OBJECT(second));
    browser.releaseVariant(&first);
    browser.releaseVariant(&second);
}

// A new object made where one that died lived must not be handed the old one's wrapper.
TEST_F(VariantConversion, TheWrapperCacheChecksTheObjectNotJustItsAddress) {
    alignas(TestApi) static unsigned char storage[sizeof(TestApi)];
    auto placed = [] { return std::shared_ptr<TestApi>(new (storage) TestApi(), [](TestApi* p) { p->~TestApi(); }); };
    auto first = placed();
    NPVariant oldWrapper = objectToPage(FB::JSAPIPtr(first));
    host->dropObject(first);  // the page still holds the wrapper, not the object
    first.reset();
    auto second = placed();
    NPVariant newWrapper = objectToPage(FB::JSAPIWeakPtr(second));
    EXPECT_NE(NPVARIANT_TO_OBJECT(oldWrapper), NPVARIANT_TO_OBJECT(newWrapper));
    EXPECT_EQ(second, FB::Npapi::NPJavascriptObject::fromNPObject(NPVARIANT_TO_OBJECT(newWrapper))->getAPI());
    browser.releaseVariant(&oldWrapper);
    browser.releaseVariant(&newWrapper);
}

}  // namespace
