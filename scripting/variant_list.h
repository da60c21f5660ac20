// Small helpers for argument lists of script values.
#pragma once

#include "scripting/variant.h"

namespace FB {

// A list holding exactly one value: a single event or call argument.
inline VariantList makeVariantList(const variant& value) { return VariantList{value}; }

namespace detail::methods {

// The second argument of a call when the caller gave one, else the empty value.
variant takeOptionalVariant(const VariantList& arguments);

}  // namespace detail::methods
}  // namespace FB
