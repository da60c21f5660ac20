#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bad_cast_expectation.h"
#include "scripting/cast_pointer.h"
#include "scripting/js_object.h"
#include "scripting/variant.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

// A plug-in object with no members.
class PluginObject : public FB::JSAPI {
public:
    void invalidate() override {}
    void listMemberNames(std::vector<std::string>&) override {}
    std::size_t countMembers() override { return 0; }
    bool HasMethod(const std::string&) override { return false; }
    bool HasProperty(int) override { return false; }
    bool HasProperty(const std::string&) override { return false; }
    FB::variant GetProperty(int) override { return {}; }
    FB::variant GetProperty(const std::string&) override { return {}; }
    void SetProperty(int, const FB::variant&) override {}
    void SetProperty(const std::string&, const FB::variant&) override {}
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string&) override {}
    FB::variant Invoke(const std::string&, const FB::VariantList&) override { return {}; }
    FB::variant Construct(const FB::VariantList&) override { return {}; }
};

// A page object (array or plain object) whose properties the test sets, recording every read.
class PageObject : public FB::JSObject {
public:
    PageObject() : FB::JSObject(FB::BrowserHostPtr()) {}

    static std::shared_ptr<PageObject> array(const FB::VariantList& elements) {
        auto page = std::make_shared<PageObject>();
        page->named["length"] = FB::variant(static_cast<int>(elements.size()));
        for (std::size_t i = 0; i < elements.size(); ++i) page->indexed[static_cast<int>(i)] = elements[i];
        return page;
    }

    std::map<std::string, FB::variant> named;
    std::map<int, FB::variant> indexed;
    std::vector<std::string> memberOrder;     // names listed, in this order
    std::optional<int> failingIndex;          // reading this index raises invalid_member
    FB::JSAPIPtr wrapped;                     // the plug-in object this page object wraps
    std::vector<std::string> reads;

    FB::variant GetProperty(int index) override {
        reads.push_back(std::to_string(index));
        if (failingIndex == index) throw FB::invalid_member(std::to_string(index));
        return indexed[index];
    }
    FB::variant GetProperty(const std::string& name) override {
        reads.push_back(name);
        return named[name];
    }
    void listMemberNames(std::vector<std::string>& names) override { names = memberOrder; }
    FB::JSAPIPtr scriptingObject() override { return wrapped; }

    bool isValid() override { return true; }
    void invokeLater(const std::string&, const FB::VariantList&) override {}
    void InvokeDelayed(const FB::VariantList&, const std::string&) override {}
    void setPropertyLater(const std::string&, const FB::variant&) override {}
    void invalidate() override {}
    std::size_t countMembers() override { return named.size(); }
    bool HasMethod(const std::string&) override { return false; }
    bool HasProperty(int) override { return false; }
    bool HasProperty(const std::string&) override { return false; }
    void SetProperty(int, const FB::variant&) override {}
    void SetProperty(const std::string&, const FB::variant&) override {}
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string&) override {}
    FB::variant Invoke(const std::string&, const FB::VariantList&) override { return {}; }
    FB::variant Construct(const FB::VariantList&) override { return {}; }
};

TEST(VariantObjectConversion, EmptyAndNullGiveEmptyObjectListAndMap) {
    for (const FB::variant& value : {FB::variant(), FB::variant(vd::null())}) {
        EXPECT_EQ(value.convertTo<FB::JSObjectPtr>(), nullptr);
        EXPECT_EQ(value.convertTo<FB::JSAPIPtr>(), nullptr);
        EXPECT_TRUE(value.convertTo<FB::VariantList>().empty());
        EXPECT_TRUE(value.convertTo<FB::VariantMap>().empty());
        EXPECT_TRUE(value.convertTo<std::vector<FB::JSObjectPtr>>().empty());
        EXPECT_TRUE(value.canConvertTo<FB::JSObjectPtr>());
    }
}

TEST(VariantObjectConversion, NonObjectValuesFailWithTheSystemsTypes) {
    expectBadVariantCast<int, FB::JSObjectPtr>([] { FB::variant(5).convertTo<FB::VariantList>(); });
    expectBadVariantCast<std::string, FB::JSObjectPtr>([] { FB::variant("x").convertTo<FB::VariantMap>(); });
    expectBadVariantCast<int, FB::JSAPIPtr>([] { FB::variant(5).convertTo<FB::JSAPIPtr>(); });
    expectBadVariantCast<double, FB::JSAPIPtr>([] { FB::variant(1.0).convertTo<FB::JSObjectPtr>(); });
    EXPECT_FALSE(FB::variant(5).canConvertTo<FB::JSObjectPtr>());
}

TEST(VariantObjectConversion, PageArrayIsReadByIndexInOrder) {
    const auto page = PageObject::array({FB::variant("a"), FB::variant(2), FB::variant(3.5)});
    const FB::VariantList list = FB::variant(FB::JSObjectPtr(page)).convertTo<FB::VariantList>();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].cast<std::string>(), "a");
    EXPECT_EQ(list[1].cast<int>(), 2);
    EXPECT_EQ(list[2].cast<double>(), 3.5);
    EXPECT_EQ(page->reads, (std::vector<std::string>{"length", "0", "1", "2"}));
}

TEST(VariantObjectConversion, ArrayLengthIsReadLeniently) {
    auto page = PageObject::array({FB::variant(7), FB::variant(8)});
    page->named["length"] = FB::variant("1");
    EXPECT_EQ(FB::variant(FB::JSObjectPtr(page)).convertTo<FB::VariantList>().size(), 1u);
    page->named["length"] = FB::variant(-4);
    EXPECT_TRUE(FB::variant(FB::JSObjectPtr(page)).convertTo<FB::VariantList>().empty());
    page->named["length"] = FB::variant("many");
    expectBadVariantCast<std::string, long>([&] { FB::variant(FB::JSObjectPtr(page)).convertTo<FB::VariantList>(); });
}

TEST(VariantObjectConversion, PageReadErrorBecomesPlainScriptErrorKeepingEarlierElements) {
    auto page = PageObject::array({FB::variant(1), FB::variant(2), FB::variant(3)});
    page->failingIndex = 2;
    FB::VariantList list;
    try {
        FB::JSObject::readArrayValues(page, list);
        FAIL() << "expected script_error";
    } catch (const FB::script_error& error) {
        EXPECT_EQ(typeid(error), typeid(FB::script_error));
        EXPECT_STREQ(error.what(), "The specified member does not exist: 2");
    }
    EXPECT_EQ(list.size(), 2u);
}

TEST(VariantObjectConversion, PageObjectMembersFillMapAndFirstNameWins) {
    auto page = std::make_shared<PageObject>();
    page->named = {{"x", FB::variant(1.5)}, {"name", FB::variant("zone")}};
    page->memberOrder = {"x", "name", "x"};
    const FB::VariantMap map = FB::variant(FB::JSObjectPtr(page)).convertTo<FB::VariantMap>();
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at("x").cast<double>(), 1.5);
    EXPECT_EQ(map.at("name").cast<std::string>(), "zone");

    FB::VariantMap prefilled{{"x", FB::variant("kept")}};
    FB::JSObject::readObjectValues(page, prefilled);
    EXPECT_EQ(prefilled.at("x").cast<std::string>(), "kept");
}

TEST(VariantObjectConversion, PageArrayOfObjectsBecomesObjectList) {
    const auto first = std::make_shared<PageObject>();
    const auto page = PageObject::array({FB::variant(FB::JSObjectPtr(first)), FB::variant(vd::null())});
    const auto objects = FB::variant(FB::JSObjectPtr(page)).convertTo<std::vector<FB::JSObjectPtr>>();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0], first);
    EXPECT_EQ(objects[1], nullptr);

    const auto mixed = PageObject::array({FB::variant(FB::JSObjectPtr(first)), FB::variant(4)});
    expectBadVariantCast<int, FB::JSAPIPtr>(
        [&] { FB::variant(FB::JSObjectPtr(mixed)).convertTo<std::vector<FB::JSObjectPtr>>(); });
}

TEST(VariantObjectConversion, PageWrapperOfPluginObjectUnwrapsToThePluginObject) {
    const auto plugin = std::make_shared<PluginObject>();
    const auto wrapper = std::make_shared<PageObject>();
    wrapper->wrapped = plugin;
    const FB::variant value{FB::JSObjectPtr(wrapper)};
    EXPECT_EQ(value.convertTo<FB::JSAPIPtr>().get(), plugin.get());
    // As a browser object the wrapper itself comes back: the plug-in object is not one.
    EXPECT_EQ(value.convertTo<FB::JSObjectPtr>(), wrapper);
}

TEST(VariantObjectConversion, InnermostBrowserObjectWinsWhenItIsOne) {
    const auto inner = std::make_shared<PageObject>();
    const auto outer = std::make_shared<PageObject>();
    outer->wrapped = inner;
    EXPECT_EQ(FB::variant(FB::JSObjectPtr(outer)).convertTo<FB::JSObjectPtr>(), inner);
}

TEST(VariantObjectConversion, PluginObjectIsNotABrowserObject) {
    const auto plugin = std::make_shared<PluginObject>();
    const FB::variant value{FB::JSAPIPtr(plugin)};
    EXPECT_EQ(value.convertTo<FB::JSAPIPtr>(), plugin);
    expectBadVariantCast<FB::JSAPIPtr, FB::JSObject>([&] { value.convertTo<FB::JSObjectPtr>(); });
    EXPECT_FALSE(value.canConvertTo<FB::JSObjectPtr>());
    expectBadVariantCast<FB::JSAPIPtr, FB::JSObjectPtr>([&] { value.convertTo<FB::VariantList>(); });
}

TEST(VariantObjectConversion, BrowserObjectHeldAsScriptableObjectConverts) {
    const auto page = std::make_shared<PageObject>();
    const FB::variant value{FB::JSAPIPtr(page)};
    EXPECT_EQ(value.type(), typeid(FB::JSAPIPtr));
    EXPECT_EQ(value.convertTo<FB::JSObjectPtr>(), page);
}

TEST(VariantObjectConversion, WeakReferenceIsLockedOrEmpty) {
    auto plugin = std::make_shared<PluginObject>();
    const FB::variant value{FB::JSAPIWeakPtr(plugin)};
    EXPECT_EQ(value.convertTo<FB::JSAPIPtr>(), plugin);
    plugin.reset();
    EXPECT_EQ(value.convertTo<FB::JSAPIPtr>(), nullptr);
}

TEST(CastPointer, SameOrDerivedClassSharesOwnershipOtherwiseEmpty) {
    const auto page = std::make_shared<PageObject>();
    const FB::JSAPIPtr asApi = page;
    const FB::JSObjectPtr asObject = FB::castPointer<FB::JSObject>(asApi);
    EXPECT_EQ(asObject, page);
    EXPECT_EQ(page.use_count(), 3);
    EXPECT_EQ(FB::castPointer<FB::JSAPI>(asApi), asApi);

    const FB::JSAPIPtr plugin = std::make_shared<PluginObject>();
    EXPECT_EQ(FB::castPointer<FB::JSObject>(plugin), nullptr);
    EXPECT_EQ(plugin.use_count(), 1);
    EXPECT_EQ(FB::castPointer<FB::JSObject>(FB::JSAPIPtr()), nullptr);
}

}  // namespace
