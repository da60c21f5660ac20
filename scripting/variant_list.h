// Small helpers for argument lists of script values.
#pragma once

#include <cstddef>

#include "scripting/variant.h"

namespace FB {

// A list holding exactly one value: a single event or call argument.
inline VariantList makeVariantList(const variant& value) {
    return VariantList{value};
}

namespace detail::methods {

// The second argument of a call when the caller gave one, else the empty value.
inline variant takeOptionalVariant(const VariantList& arguments) {
    constexpr std::size_t position = 2;  // counted from 1
    return arguments.size() >= position ? arguments[position - 1] : variant();
}

}  // namespace detail::methods
}  // namespace FB
