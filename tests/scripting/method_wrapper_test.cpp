#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "tests/scripting/error_expectations.h"
#include "tests/scripting/test_api.h"

namespace FB::testing {
namespace {

std::string conversionText(const std::type_info& from, const std::type_info& to, int index) {
    return std::string("Invalid argument conversion from ") + from.name() + " to " + to.name() + " at index " +
           std::to_string(index);
}

// Surplus arguments are reported first; otherwise the highest-numbered missing or unconvertible one.
TEST(MethodWrapper, ArgumentFaultsAreReportedInOrderAndNothingIsCalled) {
    auto api = std::make_shared<TestApi>();
    const auto fault = [&](const std::string& method, const VariantList& args) {
        return errorText<invalid_arguments>([&] { api->Invoke(method, args); });
    };
    EXPECT_EQ(fault("Add", {"not a number", 1, 2}), "Too many arguments, expected 2.");
    EXPECT_EQ(fault("Twice", {}), "Error: Argument 1is not optional.");
    EXPECT_EQ(fault("Add", {"not a number"}), "Error: Argument 2is not optional.");
    EXPECT_EQ(fault("Add", {"x", 1}), conversionText(typeid(std::string), typeid(int), 1));
    EXPECT_EQ(fault("Add", {"x", "y"}), conversionText(typeid(std::string), typeid(int), 2));
    EXPECT_EQ(fault("SetTargetSize", {1, 2, 3, variant()}),
              conversionText(typeid(variant_detail::empty), typeid(int), 4));
    EXPECT_EQ(api->calls, 0);
}

TEST(MethodWrapper, ArgumentsConvertLikeScriptValuesAndResultsAreWrapped) {
    auto api = std::make_shared<TestApi>();
    EXPECT_EQ(api->Invoke("Add", {"40", 2.9}).cast<int>(), 42);
    EXPECT_EQ(api->Invoke("Twice", {12}).cast<std::string>(), "1212");
    EXPECT_TRUE(api->Invoke("SetTargetSize", {1, "2.5", 3, 4.0}).isEmpty());
    EXPECT_EQ(api->sizeArgs, (std::vector<float>{1.0f, 2.5f, 3.0f, 4.0f}));
    EXPECT_TRUE(api->Invoke("Touch", {1, 2, 3}).isEmpty());  // no parameters: surplus is ignored
    EXPECT_EQ(api->calls, 4);
    EXPECT_EQ(errorText<script_error>([&] { api->Invoke("Fail", {}); }), "camera refused");
}

}  // namespace
}  // namespace FB::testing
