#include "scripting/script_error.h"

#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "scripting/argument_conversion.h"
#include "scripting/variant.h"

namespace {

TEST(ScriptError, MessagesAreTheSystemsOwn) {
    EXPECT_STREQ(FB::script_error("Not implemented").what(), "Not implemented");
    EXPECT_STREQ(FB::invalid_arguments().what(), "Invalid Arguments");
    EXPECT_STREQ(FB::invalid_arguments("too few").what(), "too few");
    EXPECT_STREQ(FB::invalid_member("foo").what(), "The specified member does not exist: foo");
    EXPECT_STREQ(FB::object_invalidated().what(), "This object is no longer valid");
    EXPECT_STREQ(FB::bad_variant_cast(typeid(int), typeid(std::string)).what(), "bad cast");
}

TEST(ScriptError, SubclassesAreCaughtAsScriptErrorButBadCastIsNot) {
    auto caughtAsScriptError = [](auto raise) {
        try {
            raise();
        } catch (const FB::script_error&) {
            return true;
        } catch (...) {
            return false;
        }
        return false;
    };
    EXPECT_TRUE(caughtAsScriptError([] { throw FB::invalid_arguments(); }));
    EXPECT_TRUE(caughtAsScriptError([] { throw FB::invalid_member("x"); }));
    EXPECT_TRUE(caughtAsScriptError([] { throw FB::object_invalidated(); }));
    EXPECT_FALSE(caughtAsScriptError([] { throw FB::bad_variant_cast(typeid(int), typeid(long)); }));
    EXPECT_THROW(throw FB::bad_variant_cast(typeid(int), typeid(long)), std::bad_cast);
}

TEST(ArgumentConversion, FailedConversionNamesTypesAndPosition) {
    try {
        FB::detail::methods::convertArgument<int>(FB::variant("letters"), 3);
        FAIL() << "expected invalid_arguments";
    } catch (const FB::invalid_arguments& error) {
        EXPECT_EQ(std::string(error.what()), std::string("Invalid argument conversion from ") +
                                                 typeid(std::string).name() + " to " + typeid(int).name() +
                                                 " at index 3");
    }
}

TEST(ArgumentConversion, ConvertsIntFloatAndString) {
    using FB::detail::methods::convertArgument;
    EXPECT_EQ(convertArgument<int>(FB::variant("12"), 1), 12);
    EXPECT_FLOAT_EQ(convertArgument<float>(FB::variant(2.5), 2), 2.5f);
    EXPECT_EQ(convertArgument<std::string>(FB::variant(7), 1), "7");
}

}  // namespace
