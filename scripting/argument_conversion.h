// Conversion of one script-method argument to its parameter type. A value that does not convert
// becomes invalid_arguments naming both types and the argument's position, so the page learns
// which argument was wrong.
#pragma once

#include <cstddef>
#include <string>

#include "scripting/script_error.h"
#include "scripting/variant.h"

namespace FB::detail::methods {

// position counts from 1.
template <class T>
T convertArgument(const variant& argument, std::size_t position) {
    try {
        return argument.convertTo<T>();
    } catch (const bad_variant_cast& error) {
        throw invalid_arguments(std::string("Invalid argument conversion ") + "from " + error.from + " to " + error.to +
                                " at index " + std::to_string(position));
    }
}

}  // namespace FB::detail::methods
