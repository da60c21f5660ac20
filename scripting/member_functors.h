// The callables stored in a table-driven object's member tables.
#pragma once

#include <functional>
#include <utility>

#include "scripting/jsapi.h"

namespace FB {

// A script method: takes the script's argument list, returns the script result.
using CallMethodFunctor = std::function<variant(const VariantList&)>;
using GetPropFunctor = std::function<variant()>;
using SetPropFunctor = std::function<void(const variant&)>;

// Getter and setter of a script property; either may be empty (read-only or write-only).
struct PropertyFunctors {
    PropertyFunctors() = default;
    PropertyFunctors(GetPropFunctor getter, SetPropFunctor setter = {})
        : get(std::move(getter)), set(std::move(setter)) {}

    GetPropFunctor get;
    SetPropFunctor set;
};

}  // namespace FB
