// Checks that a call fails with bad_variant_cast naming exactly the given stored and requested
// types (as the platform's run-time type names spell them).
#pragma once

#include <typeinfo>

#include <gtest/gtest.h>

#include "scripting/script_error.h"

namespace FB::testing {

template <class From, class To, class Call>
void expectBadVariantCast(Call call) {
    try {
        call();
        ADD_FAILURE() << "expected bad_variant_cast from " << typeid(From).name() << " to " << typeid(To).name();
    } catch (const FB::bad_variant_cast& error) {
        EXPECT_STREQ(error.from, typeid(From).name());
        EXPECT_STREQ(error.to, typeid(To).name());
        EXPECT_STREQ(error.what(), "bad cast");
    }
}

}  // namespace FB::testing
