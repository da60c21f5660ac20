// Values between the plug-in and the page on the ActiveX side: every converter row to a VARIANT and
// every VARIANT type back, strings at their full length, lists and maps as SAFEARRAYs while the host
// knows no page and as the page's own arrays and objects once it does, and the plug-in's scripting
// objects as one COM object each while it lives.
#include "activex/activex_browser_host.h"
#include "activex/com_javascript_object.h"
#include "activex/idispatch_api.h"
#include "tests/activex/support/container_page.h"
#include "tests/activex/support/counted_dispatch.h"
#include "tests/activex/support/dispatch_calls.h"
#include "tests/scripting/page_object.h"
#include "tests/scripting/test_api.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace activex_test;
using FB::ActiveX::ActiveXBrowserHost;

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

TEST_F(ComVariantConversion, EveryVariantTypeComesBackAsItsScriptValue) {
    VARIANT small = of(VT_I2);
    small.iVal = -5;
    EXPECT_EQ(-5L, fromCom(small).cast<long>());
    VARIANT byte = of(VT_UI1);
    byte.bVal = 200;
    EXPECT_EQ(200L, fromCom(byte).cast<long>());
    VARIANT unsignedInt = of(VT_UINT);
    unsignedInt.uintVal = 4000000000u;
    EXPECT_EQ(4000000000UL, fromCom(unsignedInt).cast<unsigned long>());
    VARIANT wide = of(VT_UI8);
    wide.ullVal = ~0ULL;
    EXPECT_EQ(~0ULL, fromCom(wide).cast<unsigned long long>());
    VARIANT single = of(VT_R4);
    single.fltVal = 1.5f;
    EXPECT_EQ(1.5, fromCom(single).cast<double>());
    VARIANT decimal{};
    decimal.decVal = DECIMAL{0, 1, 0, 0, 25};
    decimal.vt = VT_DECIMAL;
    EXPECT_EQ(2.5, fromCom(decimal).cast<double>());
    VARIANT truth = of(VT_BOOL);
    truth.boolVal = VARIANT_TRUE;
    EXPECT_TRUE(fromCom(truth).cast<bool>());
    truth.boolVal = 1;  // only VARIANT_TRUE is true
    EXPECT_FALSE(fromCom(truth).cast<bool>());
    EXPECT_FALSE(fromCom(of(VT_ERROR)).cast<bool>());
    EXPECT_TRUE(fromCom(of(VT_EMPTY)).isEmpty());
    EXPECT_TRUE(fromCom(of(VT_NULL)).isNull());
    for (VARTYPE nothing : {VARTYPE(VT_DATE), VARTYPE(VT_CY), VARTYPE(VT_BYREF | VT_I4)})
        EXPECT_TRUE(fromCom(of(nothing)).isEmpty()) << nothing;
    VARIANT array = of(VT_ARRAY | VT_VARIANT);
    array.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    EXPECT_TRUE(fromCom(array).isEmpty());
}

// Each integer code arrives as a long, each real code as a double, the unsigned 32-bit codes as an
// unsigned long, and the 64-bit codes as themselves; codes that are no VARIANT contents give no text.
TEST_F(ComVariantConversion, EachTypeCodeArrivesAsTheScriptTypeOfItsRow) {
    VARIANT i4 = of(VT_I4), i1 = of(VT_I1), ui2 = of(VT_UI2), integer = of(VT_INT);
    i4.lVal = -70000;
    i1.cVal = -7;
    ui2.uiVal = 65535;
    integer.intVal = 12;
    EXPECT_EQ(-70000L, fromCom(i4).cast<long>());
    EXPECT_EQ(-7L, fromCom(i1).cast<long>());
    EXPECT_EQ(65535L, fromCom(ui2).cast<long>());
    EXPECT_EQ(12L, fromCom(integer).cast<long>());
    VARIANT real = of(VT_R8), ui4 = of(VT_UI4), i8 = of(VT_I8);
    real.dblVal = -0.25;
    ui4.ulVal = 4294967295u;
    i8.llVal = -(1LL << 40);
    EXPECT_EQ(-0.25, fromCom(real).cast<double>());
    EXPECT_EQ(4294967295UL, fromCom(ui4).cast<unsigned long>());
    EXPECT_EQ(-(1LL << 40), fromCom(i8).cast<long long>());
    for (VARTYPE pointerText : {VARTYPE(VT_LPSTR), VARTYPE(VT_LPWSTR), VARTYPE(VT_CLSID)})
        EXPECT_EQ("", fromCom(of(pointerText)).cast<std::string>()) << pointerText;
    EXPECT_TRUE(fromCom(of(VT_UNKNOWN)).isEmpty());
    EXPECT_TRUE(fromCom(of(VT_VARIANT)).isEmpty());
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
    index = 0;  // entries in key order, each a (key, value) pair
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
