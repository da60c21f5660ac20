#include "scripting/variant.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "scripting/jsapi_auto.h"
#include "tests/scripting/error_expectations.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

TEST(Variant, EmptyAndNullDifferAndAnEmptyObjectPointerBecomesNull) {
    const FB::variant empty, null{vd::null()};
    EXPECT_TRUE(empty.isEmpty() && !empty.isNull() && empty.type() == typeid(vd::empty));
    EXPECT_TRUE(null.isNull() && !null.isEmpty() && null.type() == typeid(vd::null));
    EXPECT_FALSE(empty < FB::variant());
    EXPECT_FALSE(null < FB::variant(vd::null()));
    EXPECT_TRUE(FB::variant(FB::JSObjectPtr()).isNull());
    EXPECT_TRUE(FB::variant(FB::JSAPIPtr()).isNull());
    EXPECT_TRUE(FB::variant(std::shared_ptr<FB::JSAPIAuto>()).isNull());
}

TEST(Variant, CopiesShareTheObjectAndReleaseItWhenGone) {
    const auto object = std::make_shared<FB::JSAPIAuto>("plugin");
    {
        const FB::variant first(object), second(first);
        EXPECT_EQ(first.type(), typeid(FB::JSAPIPtr));  // a derived class is held as the interface
        EXPECT_EQ(second.cast<FB::JSAPIPtr>(), object);
        EXPECT_EQ(object.use_count(), 3);
    }
    EXPECT_EQ(object.use_count(), 1);
}

TEST(Variant, CharacterStringIsHeldAsStdStringAndStrictCastFailsAcrossTypes) {
    EXPECT_EQ(FB::variant("caf\xC3\xA9").cast<std::string>(), "caf\xC3\xA9");
    EXPECT_TRUE(FB::variant(static_cast<const char*>(nullptr)).isNull());
    EXPECT_EQ(FB::variant(5).cast<int>(), 5);
    expectBadVariantCast<int, long>([] { FB::variant(5).cast<long>(); });
    expectBadVariantCast<std::string, std::wstring>([] { FB::variant("x").cast<std::wstring>(); });
    expectBadVariantCast<vd::empty, int>([] { FB::variant().cast<int>(); });
    expectBadVariantCast<vd::null, FB::JSObjectPtr>([] { FB::variant(vd::null()).cast<FB::JSObjectPtr>(); });
}

TEST(Variant, SameTypeAssignmentReusesStorageOtherTypesReplaceIt) {
    FB::variant target(std::string("first"));
    const std::string* storage = &target.cast<std::string>();
    const FB::variant source(std::string("second"));
    target = source;
    EXPECT_EQ(&target.cast<std::string>(), storage);
    EXPECT_EQ(target.cast<std::string>(), "second");

    target = FB::variant(3);
    target = target;
    EXPECT_EQ(target.cast<int>(), 3);
}

// The source lives inside the value it replaces, whether the types differ or not.
TEST(Variant, AssigningAValueHeldInsideTheTargetKeepsIt) {
    FB::variant value(FB::VariantList{FB::variant("inner text")});
    value = value.cast<FB::VariantList>()[0];
    EXPECT_EQ(value.cast<std::string>(), "inner text");

    value = FB::VariantList{FB::VariantList{1, 2}, 3};
    value = value.cast<FB::VariantList>()[0];
    EXPECT_EQ(value.cast<FB::VariantList>().at(1).cast<int>(), 2);

    value = FB::VariantMap{{"a", FB::VariantMap{{"b", 1}}}};
    value = value.cast<FB::VariantMap>().at("a");
    EXPECT_EQ(value.cast<FB::VariantMap>().at("b").cast<int>(), 1);
}

TEST(Variant, ValuesOrderByTheirOwnLessOrElseByTypeNameNeverContents) {
    EXPECT_TRUE(FB::variant("z") < FB::variant("\xC3\xA9"));  // bytes compare unsigned
    EXPECT_TRUE(FB::variant("ab") < FB::variant("abc"));
    EXPECT_TRUE(FB::variant(FB::VariantMap{{"a", 1}}) < FB::variant(FB::VariantMap{{"a", 2}}));
    const FB::variant number(5), real(1.0), text("0");
    const bool intFirst = std::string(typeid(int).name()) < typeid(double).name();
    EXPECT_EQ(number < real, intFirst);
    EXPECT_EQ(real < number, !intFirst);
    EXPECT_EQ(text < number, std::string(typeid(std::string).name()) < typeid(int).name());
}

}  // namespace
