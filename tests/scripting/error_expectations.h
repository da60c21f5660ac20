// What a call raises: the text of a script error of a given kind, or the two type names of a
// bad_variant_cast (as the platform's run-time type names spell them).
#pragma once

#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "scripting/script_error.h"

namespace FB::testing {

template <class Error, class Call>
std::string errorText(Call&& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.what();
    }
    return "<nothing raised>";
}

template <class From, class To, class Call>
void expectBadVariantCast(Call&& call) {
    try {
        call();
        ADD_FAILURE() << "expected bad_variant_cast from " << typeid(From).name() << " to " << typeid(To).name();
    } catch (const bad_variant_cast& error) {
        EXPECT_STREQ(error.from, typeid(From).name());
        EXPECT_STREQ(error.to, typeid(To).name());
        EXPECT_STREQ(error.what(), "bad cast");
    }
}

}  // namespace FB::testing
