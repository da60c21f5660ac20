// The process-wide table between member names and DISPIDs: its standard entries, new ids from 100
// up, wide names as keys of their own, and entries that can be made only once.
#include "activex/dispatch_name_map.h"
#include "tests/scripting/error_expectations.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using FB::testing::expectBadVariantCast;

class DispatchNames : public ::testing::Test {
protected:
    void SetUp() override { FB::ActiveX::fillStandardDispatchNames(names); }
    FB::TypeIDMap<long> names;
};

TEST_F(DispatchNames, StandardIdsGiveTheirNamesAsWideText) {
    EXPECT_EQ(L"this", names.getValueForId(-613));
    EXPECT_EQ(L"readystate", names.valueForId(-525));
    EXPECT_EQ(L"onclick", names.getValueForId(-2147412112 + 8));
    EXPECT_EQ(L"onwaiting", names.getValueForId(-2147412112 + 153));
    EXPECT_FALSE(names.hasId(-2147412112 + 16));  // a number the event list skips
    expectBadVariantCast<void, std::wstring>([&] { names.getValueForId(99); });
    expectBadVariantCast<void, std::wstring>([&] { names.getValueForId(-2); });
}

TEST_F(DispatchNames, NewNamesCountFrom100AndWideNamesAreKeysOfTheirOwn) {
    EXPECT_EQ(100, names.getIdForValue(FB::variant(std::wstring(L"StartPlay"))));
    EXPECT_EQ(101, names.getIdForValue(FB::variant(std::wstring(L"toString"))));
    EXPECT_EQ(100, names.getIdForValue(FB::variant(std::wstring(L"StartPlay"))));
    EXPECT_EQ(-1, names.getIdForValue(FB::variant(std::string("toString"))));
    EXPECT_EQ(L"toString", names.getValueForId(-1));
    EXPECT_EQ(L"toString", names.getValueForId(101));
    EXPECT_EQ(L"StartPlay", names.getValueForId(100));
}

TEST_F(DispatchNames, AnIdOrValueIsEnteredOnceAndARefusalChangesNothing) {
    EXPECT_EQ("ID or value already defined",
              FB::testing::errorText<std::runtime_error>([&] { names.setIdForValue(0, FB::variant("other")); }));
    EXPECT_EQ("ID or value already defined",
              FB::testing::errorText<std::runtime_error>([&] { names.setIdForValue(5000, FB::variant("value")); }));
    EXPECT_FALSE(names.hasId(5000));
    EXPECT_EQ(L"value", names.getValueForId(0));
    EXPECT_EQ(100, names.getIdForValue(FB::variant(std::wstring(L"other"))));
    // An id entered by hand is not handed out again.
    names.setIdForValue(101, FB::variant("by hand"));
    EXPECT_EQ(102, names.getIdForValue(FB::variant(std::wstring(L"next"))));
    EXPECT_EQ(L"by hand", names.getValueForId(101));
}

}  // namespace
