// What a call raises: the text of a script error of a given kind, or the two type names of a
// bad_variant_cast (as the platform's run-time type names spell them).
#pragma once

#include <string>
#include <type_traits>
#include <typeinfo>

#include <gtest/gtest.h>

#include "scripting/script_error.h"

namespace FB::testing {

// Conversion failures are caught as std::bad_cast, never as script errors.
static_assert(std::is_base_of_v<std::bad_cast, bad_variant_cast> && !std::is_base_of_v<script_error, bad_variant_cast>);

template <class Error, class Call>
std::string errorText(Call&& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.what();
    }
    return "<nothing raised>";
}

// The call fails with bad_variant_cast from the given stored type to To.
template <class To, class Call>
void expectBadVariantCastFrom(const std::type_info& from, Call&& call) {
    try {
        call();
        ADD_FAILURE() << "expected bad_variant_cast from " << from.name() << " to " << typeid(To).name();
    } catch (const bad_variant_cast& error) {
        EXPECT_STREQ(error.from, from.name());
        EXPECT_STREQ(error.to, typeid(To).name());
        EXPECT_STREQ(error.what(), "bad cast");
    }
}

template <class From, class To, class Call>
void expectBadVariantCast(Call&& call) {
    expectBadVariantCastFrom<To>(typeid(From), call);
}

}  // namespace FB::testing
