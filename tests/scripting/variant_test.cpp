#include "scripting/variant.h"

#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "bad_cast_expectation.h"
#include "scripting/jsapi.h"
#include "scripting/js_object.h"
#include "scripting/variant_list.h"
#include "tests/support/allocation_counter.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

long allocationsDuring(void (*work)()) {
    const long before = FB::testing::allocationCount();
    work();
    return FB::testing::allocationCount() - before;
}

// A plug-in object with no members: enough to be referenced by values.
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

TEST(Variant, DefaultValueIsEmptyAndNotNull) {
    const FB::variant value;
    EXPECT_TRUE(value.isEmpty());
    EXPECT_FALSE(value.isNull());
    EXPECT_EQ(value.type(), typeid(vd::empty));
    EXPECT_TRUE(FB::variant(vd::empty()).isEmpty());
}

TEST(Variant, NullMarkerGivesNullValue) {
    const FB::variant value{vd::null()};
    EXPECT_TRUE(value.isNull());
    EXPECT_FALSE(value.isEmpty());
    EXPECT_EQ(value.type(), typeid(vd::null));
}

TEST(Variant, EmptyObjectPointersBecomeNull) {
    EXPECT_TRUE(FB::variant(FB::JSObjectPtr()).isNull());
    EXPECT_TRUE(FB::variant(FB::JSAPIPtr()).isNull());
    EXPECT_TRUE(FB::variant(std::shared_ptr<PluginObject>()).isNull());
}

TEST(Variant, ObjectOfDerivedClassIsHeldAsScriptableObject) {
    const auto object = std::make_shared<PluginObject>();
    const FB::variant value(object);
    EXPECT_EQ(value.type(), typeid(FB::JSAPIPtr));
    EXPECT_EQ(value.cast<FB::JSAPIPtr>().get(), object.get());
}

TEST(Variant, CopiesShareTheObjectAndReleaseItWhenGone) {
    const auto object = std::make_shared<PluginObject>();
    {
        const FB::variant first{FB::JSAPIPtr(object)};
        const FB::variant second(first);
        EXPECT_EQ(object.use_count(), 3);
        EXPECT_EQ(second.cast<FB::JSAPIPtr>(), object);
    }
    EXPECT_EQ(object.use_count(), 1);
}

TEST(Variant, CharacterStringIsHeldAsStdString) {
    const FB::variant value("caf\xC3\xA9");
    EXPECT_EQ(value.type(), typeid(std::string));
    EXPECT_EQ(value.cast<std::string>(), "caf\xC3\xA9");
    char buffer[] = "mutable";
    EXPECT_EQ(FB::variant(buffer).cast<std::string>(), "mutable");
    FB::variant assigned;
    assigned = "abc";
    EXPECT_EQ(assigned.cast<std::string>(), "abc");
}

TEST(Variant, NullCharacterPointerGivesNullValue) {
    const char* nothing = nullptr;
    EXPECT_TRUE(FB::variant(nothing).isNull());
}

TEST(Variant, StrictCastFailsAcrossTypes) {
    const FB::variant number(5);
    EXPECT_EQ(number.cast<int>(), 5);
    expectBadVariantCast<int, long>([&] { number.cast<long>(); });
    expectBadVariantCast<int, double>([&] { number.cast<double>(); });
    expectBadVariantCast<int, std::string>([&] { number.cast<std::string>(); });
    expectBadVariantCast<std::string, std::wstring>([] { FB::variant("x").cast<std::wstring>(); });
    expectBadVariantCast<vd::empty, int>([] { FB::variant().cast<int>(); });
    expectBadVariantCast<vd::null, FB::JSObjectPtr>([] { FB::variant(vd::null()).cast<FB::JSObjectPtr>(); });
    expectBadVariantCast<long, unsigned long>([] { FB::variant(7L).cast<unsigned long>(); });
}

TEST(Variant, WordSizedValuesNeverAllocate) {
    EXPECT_EQ(allocationsDuring([] {
                  FB::variant a(true), b(42), c(42L), d(42UL), e(1.5);
                  FB::variant copy(b);
                  copy = a;
                  copy = c;
                  copy = d;
                  copy = e;
              }),
              0);
}

TEST(Variant, SameTypeAssignmentReusesHeapObject) {
    FB::variant target(std::string("first"));
    const std::string* storage = &target.cast<std::string>();
    const FB::variant source(std::string("second"));
    target = source;
    EXPECT_EQ(&target.cast<std::string>(), storage);
    EXPECT_EQ(target.cast<std::string>(), "second");
    EXPECT_EQ(source.cast<std::string>(), "second");
}

TEST(Variant, AssignmentAcrossTypesReplacesValue) {
    FB::variant target(17);
    target = FB::variant(std::wstring(L"wide"));
    EXPECT_EQ(target.cast<std::wstring>(), L"wide");
    target = FB::variant(3);
    EXPECT_EQ(target.cast<int>(), 3);
    target = target;
    EXPECT_EQ(target.cast<int>(), 3);
}

TEST(Variant, MoveLeavesSourceEmpty) {
    FB::variant source(std::string("moved"));
    FB::variant target(std::move(source));
    EXPECT_TRUE(source.isEmpty());
    EXPECT_EQ(target.cast<std::string>(), "moved");
    source = std::move(target);
    EXPECT_TRUE(target.isEmpty());
    EXPECT_EQ(source.cast<std::string>(), "moved");
}

TEST(Variant, EmptyAndNullValuesAreNeverLessThanEachOther) {
    EXPECT_FALSE(FB::variant() < FB::variant());
    const FB::variant null1{vd::null()}, null2{vd::null()};
    EXPECT_FALSE(null1 < null2);
    EXPECT_FALSE(null2 < null1);
}

TEST(Variant, SameTypeValuesOrderByTheirOwnLess) {
    EXPECT_TRUE(FB::variant(-2) < FB::variant(1));
    EXPECT_TRUE(FB::variant(1UL) < FB::variant(~0UL));
    EXPECT_TRUE(FB::variant(false) < FB::variant(true));
    EXPECT_TRUE(FB::variant("ab") < FB::variant("abc"));
    EXPECT_TRUE(FB::variant("z") < FB::variant("\xC3\xA9"));  // bytes compare unsigned
    EXPECT_TRUE(FB::variant(FB::VariantList{FB::variant(1)}) < FB::variant(FB::VariantList{FB::variant(2)}));
    const FB::VariantMap small{{"a", FB::variant(1)}}, large{{"a", FB::variant(2)}};
    EXPECT_TRUE(FB::variant(small) < FB::variant(large));
}

TEST(Variant, DifferentTypesOrderByTypeNameNotContents) {
    const FB::variant number(5), real(1.0);
    const bool intNameFirst = std::strcmp(typeid(int).name(), typeid(double).name()) < 0;
    EXPECT_EQ(number < real, intNameFirst);
    EXPECT_EQ(real < number, !intNameFirst);
    const FB::variant text("0");
    EXPECT_EQ(text < number, std::string(typeid(std::string).name()) < typeid(int).name());
}

TEST(VariantList, TakeOptionalVariantReadsSecondArgumentOrEmpty) {
    using FB::detail::methods::takeOptionalVariant;
    EXPECT_TRUE(takeOptionalVariant({}).isEmpty());
    EXPECT_TRUE(takeOptionalVariant({FB::variant(1)}).isEmpty());
    EXPECT_EQ(takeOptionalVariant({FB::variant(1), FB::variant(2), FB::variant(3)}).cast<int>(), 2);
}

}  // namespace
