#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "scripting/js_function.h"
#include "tests/scripting/error_expectations.h"
#include "tests/scripting/test_api.h"

namespace FB::testing {
namespace {

TEST(FunctionObject, CallAndApplyDropTheThisValue) {
    auto api = std::make_shared<TestApi>();
    const JSAPIPtr add = api->GetProperty("Add").cast<JSAPIPtr>(), self = api;
    EXPECT_TRUE(add->HasMethod("") && add->HasMethod("call") && add->HasMethod("apply"));
    EXPECT_FALSE(add->HasProperty("call") || add->HasProperty("apply"));
    EXPECT_EQ(add->Invoke("toString", {}).cast<std::string>(), "Add()");
    EXPECT_EQ(add->Invoke("", {1, 2}).cast<int>(), 3);
    EXPECT_EQ(add->Invoke("call", {self, 1, 2}).cast<int>(), 3);
    EXPECT_EQ(add->Invoke("apply", {self, VariantList{1, 2}}).cast<int>(), 3);
    EXPECT_EQ(errorText<invalid_arguments>([&] { add->Invoke("apply", {self}); }), "Error: Argument 2is not optional.");
}

TEST(FunctionObject, RunsAtTheScopeItWasFetchedAtAndRestoresItWhenTheMethodRaises) {
    auto api = std::make_shared<TestApi>();
    api->pushScope(TestApi::kSecretScope);
    const JSAPIPtr secret = api->fetchMethodObject("Secret"), fail = api->fetchMethodObject("Fail");
    EXPECT_EQ(api->fetchMethodObject("Secret"), secret);  // cached per scope and name
    api->popScope();
    EXPECT_THROW(api->Invoke("Secret", {}), invalid_member);
    EXPECT_EQ(secret->Invoke("", {}).cast<int>(), 42);

    EXPECT_THROW(fail->Invoke("", {}), script_error);
    EXPECT_EQ(api->getScope(), 0);  // the scope the call pushed is gone again
    // Another thread can use the object: the failed call released the scope lock.
    auto other = std::async(std::launch::async, [&] { return api->HasMethod("Add"); });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(other.get());
}

TEST(FunctionObject, CallAfterTheTargetIsGoneRaisesInvalidObject) {
    auto api = std::make_shared<TestApi>();
    const JSAPIPtr add = api->GetProperty("Add").cast<JSAPIPtr>();
    api.reset();
    EXPECT_EQ(errorText<script_error>([&] { add->Invoke("call", {variant(), 1, 2}); }), "Invalid JSAPI object");
}

}  // namespace
}  // namespace FB::testing
