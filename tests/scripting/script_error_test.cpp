#include "scripting/script_error.h"

#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "scripting/argument_conversion.h"
#include "tests/scripting/error_expectations.h"

namespace {

TEST(ScriptError, MessagesAreTheSystemsOwn) {
    EXPECT_STREQ(FB::invalid_arguments().what(), "Invalid Arguments");
    EXPECT_STREQ(FB::invalid_member("foo").what(), "The specified member does not exist: foo");
    EXPECT_STREQ(FB::object_invalidated().what(), "This object is no longer valid");
    EXPECT_STREQ(FB::bad_variant_cast(typeid(int), typeid(std::string)).what(), "bad cast");
    // bad_variant_cast is caught as std::bad_cast; the subclasses are caught as script_error.
    EXPECT_THROW(throw FB::bad_variant_cast(typeid(int), typeid(long)), std::bad_cast);
    EXPECT_EQ(FB::testing::errorText<FB::script_error>([] { throw FB::object_invalidated(); }),
              "This object is no longer valid");
}

TEST(ArgumentConversion, FailedConversionNamesTypesAndPosition) {
    EXPECT_EQ(FB::testing::errorText<FB::invalid_arguments>(
                  [] { FB::detail::methods::convertArgument<int>(FB::variant("letters"), 3); }),
              std::string("Invalid argument conversion from ") + typeid(std::string).name() + " to " +
                  typeid(int).name() + " at index 3");
    EXPECT_FLOAT_EQ(FB::detail::methods::convertArgument<float>(FB::variant("2.5"), 2), 2.5f);
}

}  // namespace
