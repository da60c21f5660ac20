// The per-type operation rows behind FB::variant. Every stored type has exactly one static row, so
// "same stored type" is a pointer comparison. Types that fit in a pointer-sized word (and can be
// copied bit for bit) live in the word itself; every other type lives in an owned heap copy.
#pragma once

#include <concepts>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace FB::variant_detail {

// Markers for the value that holds nothing and for the script null.
struct empty {};
struct null {};

// The value's one word of storage: the value itself for small types, else the heap copy's address.
union Word {
    void* heap;
    alignas(void*) unsigned char bytes[sizeof(void*)];
};

struct TypeTable {
    const std::type_info& (*type)();
    void (*destroy)(Word& storage);
    void (*clone)(const Word& source, Word& destination);   // destination holds nothing yet
    void (*assign)(const Word& source, Word& destination);  // destination holds the same type
    bool (*less)(const Word& a, const Word& b);
};

template <typename T>
inline constexpr bool storedInWord = sizeof(T) <= sizeof(void*) &&
                                     alignof(T) <= alignof(void*) && std::is_trivially_copyable_v<T>;

template <typename T>
inline constexpr bool isText = std::is_same_v<T, std::string> || std::is_same_v<T, std::wstring>;

template <typename T>
const T& valueIn(const Word& storage) {
    if constexpr (storedInWord<T>) {
        return *std::launder(reinterpret_cast<const T*>(storage.bytes));
    } else {
        return *static_cast<const T*>(storage.heap);
    }
}

template <typename T>
T& valueIn(Word& storage) {
    return const_cast<T&>(valueIn<T>(static_cast<const Word&>(storage)));
}

// Strict order of two values of one type: owner order for shared and weak pointers, the type's own
// less-than otherwise; a type without either has all its values equivalent.
template <typename T>
bool lessOf(const T& a, const T& b) {
    if constexpr (requires {
                      { a.owner_before(b) } -> std::convertible_to<bool>;
                  }) {
        return a.owner_before(b);
    } else if constexpr (requires {
                             { a < b } -> std::convertible_to<bool>;
                         }) {
        return a < b;
    } else {
        return false;
    }
}

template <typename T>
struct Row {
    static const std::type_info& type() { return typeid(T); }

    static void destroy(Word& storage) {
        if constexpr (storedInWord<T>) {
            valueIn<T>(storage).~T();
        } else {
            delete static_cast<T*>(storage.heap);
        }
    }

    static void clone(const Word& source, Word& destination) {
        if constexpr (storedInWord<T>) {
            ::new (static_cast<void*>(destination.bytes)) T(valueIn<T>(source));
        } else {
            destination.heap = new T(valueIn<T>(source));
        }
    }

    // The source may live inside the value it replaces (a list held in an element of the list it
    // is assigned to): a type that can contain values is copied whole before the old content goes.
    // Text cannot contain values, so strings keep copying straight into their storage.
    static void assign(const Word& source, Word& destination) {
        if constexpr (storedInWord<T> || isText<T>) {
            valueIn<T>(destination) = valueIn<T>(source);
        } else {
            T copy(valueIn<T>(source));
            valueIn<T>(destination) = std::move(copy);
        }
    }

    static bool less(const Word& a, const Word& b) { return lessOf(valueIn<T>(a), valueIn<T>(b)); }

    static constexpr TypeTable table{&type, &destroy, &clone, &assign, &less};
};

// The empty and the null row hold nothing and share their do-nothing operations.
inline void destroyNothing(Word&) {}
inline void copyNothing(const Word&, Word&) {}
inline bool lessNothing(const Word&, const Word&) { return false; }

template <typename Marker>
struct MarkerRow {
    static const std::type_info& type() { return typeid(Marker); }
    static constexpr TypeTable table{&type, &destroyNothing, &copyNothing, &copyNothing, &lessNothing};
};

template <>
struct Row<empty> : MarkerRow<empty> {};
template <>
struct Row<null> : MarkerRow<null> {};

template <typename T>
inline constexpr const TypeTable* rowOf = &Row<T>::table;

}  // namespace FB::variant_detail
