#include "scripting/variant_list.h"

#include <cstddef>

namespace FB::detail::methods {

variant takeOptionalVariant(const VariantList& arguments) {
    constexpr std::size_t position = 2;  // counted from 1
    if (arguments.size() < position) return variant();
    return arguments[position - 1];
}

}  // namespace FB::detail::methods
