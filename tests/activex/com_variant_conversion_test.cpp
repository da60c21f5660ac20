// Values between the plug-in and the page on the ActiveX side: every converter row to a VARIANT and
// every VARIANT type back, strings at their full length, lists and maps as SAFEARRAYs while the host
// knows no page and as the page's own arrays and objects once it does, and the plug-in's scripting
// objects as one COM object each while it lives.
#include "activex/activex_browser_host.h"
#include "activex/com_javascript_object.h"
#include "activex/idispatch_api.h"
#include "tests/activex/support/container_page.h"
#include "tests/support/counted_dispatch.h"
#include "tests/activex/support/dispatch_calls.h"
#include "tests/scripting/page_object.h"
#include "tests/scripting/test_api.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace activex_test;
using FB::ActiveX::ActiveXBrowserHost;
using test_support::CountedDispatch;

class ComVariantConversion : public ::testing::Test {
protected:
    void TearDown() override { host->shutdown(); }

    // The value converted into a VARIANT that held a string before (cleared first, so nothing leaks).
    ScopedVariant toCom(const FB::variant& value) {
        ScopedVariant converted;
        *converted.get() = textVariant(L"earlier content");
        host->getComVariant(converted.get(), value);
        return converted;
    }
    FB::variant fromCom(VARIANT value) {
        ScopedVariant owned;
        *owned.get() = value;
        return host->getVariant(owned.get());
    }
    static VARIANT of(VARTYPE type) {
        VARIANT value{};
        value.vt = type;
        return value;
    }

    std::shared_ptr<ActiveXBrowserHost> host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
};

TEST_F(ComVariantConversion, EveryScalarRowGivesItsTypeCode) {
    EXPECT_EQ(VARIANT_TRUE, toCom(FB::variant(true)).get()->boolVal);
    EXPECT_EQ(VARIANT_FALSE, toCom(FB::variant(false)).get()->boolVal);
    const std::pair<FB::variant, VARTYPE> rows[] = {{FB::variant(char(-3)), VT_I1},
                                                    {FB::variant((unsigned char)200), VT_UI1},
                                                    {FB::variant(short(-5)), VT_I2},
                                                    {FB::variant((unsigned short)5), VT_UI2},
                                                    {FB::variant(7), VT_I4},
                                                    {FB::variant(7u), VT_UI4},
                                                    {FB::variant(7L), VT_I4},
                                                    {FB::variant(7UL), VT_UI4},
                                                    {FB::variant(7LL), VT_I8},
                                                    {FB::variant(~0ULL), VT_UI8},
                                                    {FB::variant(1.5f), VT_R4},
                                                    {FB::variant(1.5), VT_R8},
                                                    {FB::variant("text"), VT_BSTR},
                                                    {FB::variant(std::wstring(L"text")), VT_BSTR},
                                                    {FB::variant(), VT_EMPTY},
                                                    {FB::variant(FB::variant_detail::null()), VT_NULL},
                                                    {FB::variant(FB::JSAPIPtr()), VT_NULL}};
    for (const auto& [value, type] : rows) EXPECT_EQ(type, toCom(value).get()->vt) << value.type().name();
    EXPECT_EQ(-3, toCom(FB::variant(char(-3))).get()->cVal);
    EXPECT_EQ(~0ULL, toCom(FB::variant(~0ULL)).get()->ullVal);
    // A held type without a row gives nothing.
    EXPECT_EQ(VT_EMPTY, toCom(FB::variant(std::vector<int>{1})).get()->vt);
    // Only a narrowing store is range checked: a long is never cut to 32 bits; infinities travel.
    EXPECT_THROW(toCom(FB::variant(1L << 32)), FB::bad_variant_cast);
    EXPECT_THROW(toCom(FB::variant(1UL << 32)), FB::bad_variant_cast);
    EXPECT_EQ(-HUGE_VAL, toCom(FB::variant(-HUGE_VAL)).get()->dblVal);
}

TEST_F(ComVariantConversion, StringsKeepEveryCharacterBothWays) {
    const std::string utf8("a\0\xe4\xb8\xad\xf0\x9f\x93\xb7", 9);
    const ScopedVariant text = toCom(FB::variant(utf8));
    EXPECT_EQ(std::wstring(L"a\0\u4e2d\U0001F4F7", 4), textOf(*text.get()));
    EXPECT_EQ(utf8, fromCom(textVariant(std::wstring(L"a\0\u4e2d\U0001F4F7", 4))).cast<std::string>());
    VARIANT nullText = of(VT_BSTR);
    nullText.bstrVal = nullptr;
    EXPECT_EQ("", fromCom(nullText).cast<std::string>());
}

// Each integer code arrives as a long, each real code as a double, the unsigned 32-bit codes as an
// unsigned long, the 64-bit codes as themselves, only VARIANT_TRUE as true; codes that are no
// VARIANT contents give no text, and what has no row nothing.
TEST_F(ComVariantConversion, EachVariantTypeComesBackAsTheScriptValueOfItsRow) {
    // The union's integer members share their low bytes.
    const auto with = [](VARTYPE type, long long bits) {
        VARIANT value = of(type);
        value.llVal = bits;
        return value;
    };
    VARIANT single = of(VT_R4), real = of(VT_R8), decimal{};
    single.fltVal = 1.5f;
    real.dblVal = -0.25;
    decimal.decVal = DECIMAL{0, 1, 0, 0, 25};
    decimal.vt = VT_DECIMAL;
    VARIANT array = of(VT_ARRAY | VT_VARIANT);
    array.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    const FB::variant empty;
    const std::pair<VARIANT, FB::variant> rows[] = {{with(VT_I2, -5), FB::variant(-5L)},
                                                    {with(VT_I1, -7), FB::variant(-7L)},
                                                    {with(VT_UI1, 200), FB::variant(200L)},
                                                    {with(VT_UI2, 65535), FB::variant(65535L)},
                                                    {with(VT_I4, -70000), FB::variant(-70000L)},
                                                    {with(VT_INT, 12), FB::variant(12L)},
                                                    {with(VT_UI4, 4294967295LL), FB::variant(4294967295UL)},
                                                    {with(VT_UINT, 4000000000LL), FB::variant(4000000000UL)},
                                                    {with(VT_I8, -(1LL << 40)), FB::variant(-(1LL << 40))},
                                                    {with(VT_UI8, -1), FB::variant(~0ULL)},
                                                    {single, FB::variant(1.5)},
                                                    {real, FB::variant(-0.25)},
                                                    {decimal, FB::variant(2.5)},
                                                    {with(VT_BOOL, VARIANT_TRUE), FB::variant(true)},
                                                    {with(VT_BOOL, 1), FB::variant(false)},
                                                    {of(VT_ERROR), FB::variant(false)},
                                                    {of(VT_NULL), FB::variant(FB::variant_detail::null())},
                                                    {of(VT_LPSTR), FB::variant(std::string())},
                                                    {of(VT_LPWSTR), FB::variant(std::string())},
                                                    {of(VT_CLSID), FB::variant(std::string())},
                                                    {of(VT_EMPTY), empty},
                                                    {of(VT_DATE), empty},
                                                    {of(VT_CY), empty},
                                                    {of(VT_UNKNOWN), empty},
                                                    {of(VT_VARIANT), empty},
                                                    {with(VT_BYREF | VT_I4, 0), empty},
                                                    {array, empty}};
    for (const auto& [in, expected] : rows) {
        const VARTYPE type = in.vt;
        const FB::variant found = fromCom(in);
        EXPECT_TRUE(found.type() == expected.type() && !(found < expected) && !(expected < found))
            << type << ": " << found.type().name();
    }
}

TEST_F(ComVariantConversion, WithoutAPageListsAndMapsBecomeSafeArrays) {
    const ScopedVariant list = toCom(FB::variant(FB::VariantList{1, std::vector<int>{}, "two", 3.5}));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, list.get()->vt);
    LONG upper = 0;
    SafeArrayGetUBound(list.get()->parray, 1, &upper);
    EXPECT_EQ(2, upper);  // the element without a row is left out
    LONG index = 1;
    ScopedVariant element;
    ASSERT_EQ(S_OK, SafeArrayGetElement(list.get()->parray, &index, element.get()));
    EXPECT_EQ(L"two", textOf(*element.get()));

    const ScopedVariant map = toCom(FB::variant(FB::VariantMap{{"b", 2}, {"a", "one"}}));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, map.get()->vt);
    index = 0;                    // entries in key order, each a (key, value) pair
    VariantClear(element.get());  // the array writes its copy over whatever the VARIANT held
    ASSERT_EQ(S_OK, SafeArrayGetElement(map.get()->parray, &index, element.get()));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, element.get()->vt);
    ScopedVariant part;
    ASSERT_EQ(S_OK, SafeArrayGetElement(element.get()->parray, &index, part.get()));
    EXPECT_EQ(L"a", textOf(*part.get()));
    index = 1;
    VariantClear(part.get());
    ASSERT_EQ(S_OK, SafeArrayGetElement(element.get()->parray, &index, part.get()));
    EXPECT_EQ(L"one", textOf(*part.get()));
}

// A scripting object converted as a shared object is kept by the host while its COM object lives,
// and converted again gives that same COM object; once the page lets it go, so does the host.
TEST_F(ComVariantConversion, AScriptingObjectIsOneComObjectWhileItLives) {
    auto api = std::make_shared<FB::testing::TestApi>();
    const std::weak_ptr<FB::testing::TestApi> watch = api;
    ScopedVariant first = toCom(FB::variant(FB::JSAPIPtr(api)));
    ScopedVariant second = toCom(FB::variant(FB::JSAPIPtr(api)));
    ASSERT_EQ(VT_DISPATCH, first.get()->vt);
    EXPECT_EQ(first.get()->pdispVal, second.get()->pdispVal);
    const std::weak_ptr<FB::ShareableReference<IDispatchEx>> wrapper =
        FB::ActiveX::getCOMJavascriptObject(static_cast<IDispatchEx*>(first.get()->pdispVal));
    api.reset();
    EXPECT_FALSE(watch.expired());  // the host keeps it for the page
    VariantClear(first.get());
    EXPECT_FALSE(wrapper.expired());
    VariantClear(second.get());
    EXPECT_TRUE(wrapper.expired());
    EXPECT_TRUE(watch.expired());

    // Once the page has let the COM object go, the same scripting object gets a new one.
    const auto kept = std::make_shared<FB::testing::TestApi>();
    ScopedVariant once = toCom(FB::variant(FB::JSAPIPtr(kept)));
    const std::weak_ptr<FB::ShareableReference<IDispatchEx>> onceWrapper =
        FB::ActiveX::getCOMJavascriptObject(static_cast<IDispatchEx*>(once.get()->pdispVal));
    VariantClear(once.get());
    EXPECT_TRUE(onceWrapper.expired());
    ScopedVariant again = toCom(FB::variant(FB::JSAPIPtr(kept)));
    ASSERT_EQ(VT_DISPATCH, again.get()->vt);
    EXPECT_NE(nullptr, FB::ActiveX::getCOMJavascriptObject(static_cast<IDispatchEx*>(again.get()->pdispVal)));
}

// Held weakly, a scripting object goes out without the host keeping it, and as nothing once gone. A
// page object of another kind (not one of this host's proxies) becomes a COM object of its own each
// time, kept by the host.
TEST_F(ComVariantConversion, WeakScriptingObjectsAreNotKeptAndOtherPageObjectsAreWrappedEachTime) {
    auto api = std::make_shared<FB::testing::TestApi>();
    const std::weak_ptr<FB::testing::TestApi> watch = api;
    ScopedVariant weak = toCom(FB::variant(FB::JSAPIWeakPtr(api)));
    ASSERT_EQ(VT_DISPATCH, weak.get()->vt);
    api.reset();
    EXPECT_TRUE(watch.expired());
    ScopedVariant result;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              invoke(static_cast<IDispatchEx*>(weak.get()->pdispVal), DISPID_VALUE, DISPATCH_METHOD, {}, result.get()));
    EXPECT_EQ(VT_NULL, toCom(FB::variant(FB::JSAPIWeakPtr(watch))).get()->vt);

    auto other = FB::testing::PageObject::make();
    const std::weak_ptr<FB::testing::PageObject> otherWatch = other;
    ScopedVariant first = toCom(FB::variant(FB::JSObjectPtr(other)));
    ScopedVariant second = toCom(FB::variant(FB::JSObjectPtr(other)));
    ASSERT_EQ(VT_DISPATCH, first.get()->vt);
    EXPECT_NE(first.get()->pdispVal, second.get()->pdispVal);
    other.reset();
    VariantClear(first.get());
    VariantClear(second.get());
    EXPECT_FALSE(otherWatch.expired());  // kept until the host shuts down
    host->shutdown();
    EXPECT_TRUE(otherWatch.expired());
}

TEST_F(ComVariantConversion, PageObjectsComeInAsProxiesAndGoBackAsThemselves) {
    CountedDispatch page;
    VARIANT object = objectVariant(&page);
    const FB::variant proxy = fromCom(object);
    EXPECT_EQ(2, page.references);  // the host's, for the proxy
    ScopedVariant back = toCom(proxy);
    ASSERT_EQ(VT_DISPATCH, back.get()->vt);
    EXPECT_EQ(&page, back.get()->pdispVal);
    EXPECT_EQ(3, page.references);
    VariantClear(back.get());
    VARIANT none = of(VT_DISPATCH);
    none.pdispVal = nullptr;
    EXPECT_TRUE(fromCom(none).isNull());
}

// With the page known, a list becomes a new array of the page filled by "push" and a map a new page
// object, each through the page-object proxy.
TEST_F(ContainerPageTest, WithAPageListsAndMapsBecomeThePagesArraysAndObjects) {
    load();
    container.onMainThread([](test_support::ContainerSession& session) {
        const FB::JSObjectPtr window = session.control()->host()->windowObject()->getJSObject();
        window->SetProperty("list", FB::variant(FB::VariantList{1, "two", 3.5}));
        window->SetProperty("map", FB::variant(FB::VariantMap{{"b", FB::VariantList{true}}, {"a", 1}}));
        return 0;
    });
    EXPECT_EQ("true|3|1,two,3.5", eval("[Array.isArray(list), list.length, list.join()].join('|')"));
    // The page's object gets its members in key order.
    EXPECT_EQ("a,b|1|true|true", eval("[Object.keys(map), map.a, Array.isArray(map.b), map.b[0]].join('|')"));
}

}  // namespace
