#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scripting/jsapi_auto.h"
#include "scripting/variant.h"
#include "tests/scripting/error_expectations.h"
#include "tests/scripting/page_object.h"

namespace {

using FB::testing::expectBadVariantCast;
using FB::testing::PageObject;
namespace vd = FB::variant_detail;

FB::variant valueOf(const std::shared_ptr<PageObject>& page) { return FB::variant(FB::JSObjectPtr(page)); }

TEST(VariantObjectConversion, EmptyAndNullGiveEmptyObjectsAndContainersOtherValuesFail) {
    for (const FB::variant& value : {FB::variant(), FB::variant(vd::null())}) {
        EXPECT_EQ(value.convertTo<FB::JSObjectPtr>(), nullptr);
        EXPECT_EQ(value.convertTo<FB::JSAPIPtr>(), nullptr);
        EXPECT_TRUE(value.convertTo<FB::VariantList>().empty());
        EXPECT_TRUE(value.convertTo<FB::VariantMap>().empty());
        EXPECT_TRUE(value.convertTo<std::vector<FB::JSObjectPtr>>().empty());
    }
    expectBadVariantCast<int, FB::JSObjectPtr>([] { FB::variant(5).convertTo<FB::VariantList>(); });
    expectBadVariantCast<std::string, FB::JSObjectPtr>([] { FB::variant("x").convertTo<FB::VariantMap>(); });
    expectBadVariantCast<int, FB::JSAPIPtr>([] { FB::variant(5).convertTo<FB::JSAPIPtr>(); });
}

TEST(VariantObjectConversion, PageArrayIsReadByIndexInOrder) {
    const auto page = PageObject::array({"a", 2, 3.5});
    const FB::VariantList list = valueOf(page).convertTo<FB::VariantList>();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].cast<std::string>() + list[1].convertTo<std::string>() + list[2].convertTo<std::string>(),
              "a23.5");

    page->named["length"] = "many";
    expectBadVariantCast<std::string, long>([&] { valueOf(page).convertTo<FB::VariantList>(); });
}

// The page's error reaches the caller as a plain script error with the page's message.
template <class Read>
void expectPlainScriptError(const char* message, Read&& read) {
    try {
        read();
        ADD_FAILURE() << "expected script_error";
    } catch (const FB::script_error& error) {
        EXPECT_EQ(typeid(error), typeid(FB::script_error));
        EXPECT_STREQ(error.what(), message);
    }
}

TEST(VariantObjectConversion, PageReadErrorBecomesPlainScriptErrorKeepingEarlierValues) {
    auto array = PageObject::array({1, 2, 3});
    array->failingIndex = 2;
    FB::VariantList list;
    expectPlainScriptError("The specified member does not exist: 2",
                           [&] { FB::JSObject::readArrayValues(array, list); });
    EXPECT_EQ(list.size(), 2u);

    auto object = PageObject::make();
    object->memberOrder = {"a", "b"};
    object->failingName = "b";
    FB::VariantMap map;
    expectPlainScriptError("The specified member does not exist: b",
                           [&] { FB::JSObject::readObjectValues(object, map); });
    EXPECT_EQ(map.size(), 1u);
}

TEST(VariantObjectConversion, PageObjectMembersFillMapAndAnEarlierValueStays) {
    auto page = PageObject::make();
    page->named = {{"x", 1.5}, {"name", "zone"}};
    page->memberOrder = {"x", "name"};
    EXPECT_EQ(valueOf(page).convertTo<FB::VariantMap>().at("name").cast<std::string>(), "zone");
    FB::VariantMap prefilled{{"x", "kept"}};
    FB::JSObject::readObjectValues(page, prefilled);
    EXPECT_EQ(prefilled.size(), 2u);
    EXPECT_EQ(prefilled.at("x").cast<std::string>(), "kept");
}

TEST(VariantObjectConversion, PageArrayOfObjectsBecomesObjectList) {
    const auto first = PageObject::make();
    const auto objects =
        valueOf(PageObject::array({FB::JSObjectPtr(first), vd::null()})).convertTo<std::vector<FB::JSObjectPtr>>();
    EXPECT_EQ(objects, (std::vector<FB::JSObjectPtr>{first, nullptr}));
    const auto mixed = PageObject::array({FB::JSObjectPtr(first), 4});
    expectBadVariantCast<int, FB::JSAPIPtr>([&] { valueOf(mixed).convertTo<std::vector<FB::JSObjectPtr>>(); });
}

TEST(VariantObjectConversion, PageWrapperOfPluginObjectUnwrapsToThePluginObject) {
    const auto plugin = std::make_shared<FB::JSAPIAuto>("plugin");
    const auto wrapper = PageObject::make(), outer = PageObject::make();
    wrapper->wrapped = plugin;
    outer->wrapped = wrapper;
    EXPECT_EQ(valueOf(wrapper).convertTo<FB::JSAPIPtr>(), plugin);
    // As a browser object the wrapper itself comes back, unless the innermost object is one too.
    EXPECT_EQ(valueOf(wrapper).convertTo<FB::JSObjectPtr>(), wrapper);
    EXPECT_EQ(valueOf(outer).convertTo<FB::JSObjectPtr>(), wrapper);

    const FB::variant pluginValue(plugin);
    expectBadVariantCast<FB::JSAPIPtr, FB::JSObject>([&] { pluginValue.convertTo<FB::JSObjectPtr>(); });
    expectBadVariantCast<FB::JSAPIPtr, FB::JSObjectPtr>([&] { pluginValue.convertTo<FB::VariantList>(); });
    EXPECT_FALSE(pluginValue.canConvertTo<FB::JSObjectPtr>());
}

}  // namespace
