// Turns an ordinary member function with typed parameters into a script method: the wrapper counts
// the script's arguments, converts each to its parameter type, calls the member and wraps the
// result as a script value. Nothing is called when an argument is missing, surplus or unconvertible.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "scripting/argument_conversion.h"
#include "scripting/member_functors.h"
#include "scripting/script_error.h"

namespace FB {
namespace detail {
namespace methods {

// Parameter k (counted from 1) as T.
template <class T>
T takeArgument(const VariantList& args, std::size_t k) {
    if (args.size() < k) {
        throw invalid_arguments("Error: Argument " + std::to_string(k) + "is not optional.");
    }
    return convertArgument<T>(args[k - 1], k);
}

// The last parameter n as T; a longer list is an error, reported before any other.
template <class T>
T takeLastArgument(const VariantList& args, std::size_t n) {
    if (args.size() > n) {
        throw invalid_arguments("Too many arguments, expected " + std::to_string(n) + ".");
    }
    return takeArgument<T>(args, n);
}

template <class R, class Call>
variant wrapResult(Call&& call) {
    if constexpr (std::is_void_v<R>) {
        call();
        return variant();
    } else {
        return variant(call());
    }
}

// A member function R (C::*)(P...) as a script method. Parameters are taken from the last to the
// first, so a surplus is reported first and otherwise the highest-numbered bad argument is named.
template <class C, class R, class... P>
class method_wrapper {
public:
    using method_type = R (C::*)(P...);

    explicit method_wrapper(method_type method) : method_(method) {}

    variant operator()(C* object, const VariantList& args) const {
        return call(object, args, std::index_sequence_for<P...>{});
    }

private:
    using Arguments = std::tuple<std::optional<std::decay_t<P>>...>;
    static constexpr std::size_t arity = sizeof...(P);

    template <std::size_t I>
    static void take(const VariantList& args, Arguments& taken) {
        using T = std::decay_t<std::tuple_element_t<I, std::tuple<P...>>>;
        if constexpr (I + 1 == arity) {
            std::get<I>(taken).emplace(takeLastArgument<T>(args, I + 1));
        } else {
            std::get<I>(taken).emplace(takeArgument<T>(args, I + 1));
        }
    }

    template <std::size_t... I>
    variant call(C* object, const VariantList& args, std::index_sequence<I...>) const {
        Arguments taken;
        // Fold over the reversed indices: the last parameter is taken first.
        (take<arity - 1 - I>(args, taken), ...);
        return wrapResult<R>([&]() -> R { return (object->*method_)(*std::get<I>(taken)...); });
    }

    method_type method_;
};

template <class C, class R>
using method_wrapper0 = method_wrapper<C, R>;
template <class C, class R, class P1>
using method_wrapper1 = method_wrapper<C, R, P1>;
template <class C, class R, class P1, class P2>
using method_wrapper2 = method_wrapper<C, R, P1, P2>;
template <class C, class R, class P1, class P2, class P3>
using method_wrapper3 = method_wrapper<C, R, P1, P2, P3>;
template <class C, class R, class P1, class P2, class P3, class P4>
using method_wrapper4 = method_wrapper<C, R, P1, P2, P3, P4>;

}  // namespace methods
}  // namespace detail

// The call functor of a member function bound to `object`, which must outlive the functor (it
// does when the functor lives in the object's own method table).
// The object may be of a class derived from the one declaring the member.
template <class O, class C, class R, class... P>
CallMethodFunctor make_method(O* object, R (C::*method)(P...)) {
    C* target = object;
    detail::methods::method_wrapper<C, R, P...> wrapper(method);
    return [target, wrapper](const VariantList& args) { return wrapper(target, args); };
}

// A getter as a script property reader (the result wrapped like a method result).
template <class O, class C, class R>
GetPropFunctor make_getter(O* object, R (C::*getter)()) {
    C* target = object;
    detail::methods::method_wrapper<C, R> wrapper(getter);
    return [target, wrapper]() { return wrapper(target, VariantList()); };
}

// A property read through a member getter and written through a member setter whose parameter is
// converted from the script value (a read-only property takes make_getter alone).
template <class O, class C, class R, class S, class P>
PropertyFunctors make_property(O* object, R (C::*getter)(), void (S::*setter)(P)) {
    S* target = object;
    SetPropFunctor set = [target, setter](const variant& value) {
        (target->*setter)(value.convertTo<std::decay_t<P>>());
    };
    return PropertyFunctors(make_getter(object, getter), std::move(set));
}

}  // namespace FB
