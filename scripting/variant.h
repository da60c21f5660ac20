// FB::variant: the one script value that crosses every boundary between page script and plug-in.
// It holds one value of any copyable type, nothing (empty) or the script null, and knows the
// run-time type of what it holds. cast<T> is strict typed access; convertTo<T> is the lenient
// conversion used for method arguments, results and the browsers' own value types.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "scripting/script_error.h"
#include "scripting/variant_type_table.h"

namespace FB {

class JSAPI;
class JSObject;
class variant;

using VariantList = std::vector<variant>;
using VariantMap = std::map<std::string, variant>;

namespace variant_detail {
template <typename T>
inline constexpr bool isSharedPtr = false;
template <typename T>
inline constexpr bool isSharedPtr<std::shared_ptr<T>> = true;
}  // namespace variant_detail

class variant {
public:
    variant() noexcept = default;
    variant(const variant& other) {
        other.row->clone(other.storage, storage);
        row = other.row;
    }
    variant(variant&& other) noexcept : row(other.row), storage(other.storage) { other.forget(); }

    // A zero-terminated byte string is held as std::string; a null pointer is the script null.
    variant(const char* text);

    // A scriptable-object or browser-object reference; an empty pointer becomes the script null.
    variant(const std::shared_ptr<JSAPI>& object) { holdObject(object); }
    variant(const std::shared_ptr<JSObject>& object) { holdObject(object); }

    // Any other copyable value, held as its own type. Shared pointers to classes derived from the
    // scriptable-object classes are held as references to those base classes, so that every object
    // reference converts the same way whatever class the code that built it knew.
    template <typename T>
    requires(!std::is_same_v<std::remove_cvref_t<T>, variant> && !std::is_convertible_v<const T&, const char*>)
        variant(const T& value) {
        if constexpr (variant_detail::isSharedPtr<T>) {
            using Pointee = typename T::element_type;
            if constexpr (std::is_base_of_v<JSObject, Pointee>) {
                holdObject(std::shared_ptr<JSObject>(value));
            } else if constexpr (std::is_base_of_v<JSAPI, Pointee>) {
                holdObject(std::shared_ptr<JSAPI>(value));
            } else {
                hold(value);
            }
        } else {
            hold(value);
        }
    }

    ~variant() { row->destroy(storage); }

    variant& operator=(const variant& other);
    variant& operator=(variant&& other) noexcept;

    const std::type_info& type() const { return row->type(); }
    bool isEmpty() const { return row == variant_detail::rowOf<variant_detail::empty>; }
    bool isNull() const { return row == variant_detail::rowOf<variant_detail::null>; }
    void reset();

    // Same stored type: that type's order. Different types: ordered by their run-time type names,
    // never by their contents.
    bool operator<(const variant& other) const;

    // Strict access: the stored value when its type is exactly T, else bad_variant_cast.
    template <typename T>
    const T& cast() const {
        if (!holds<T>()) {
            throw bad_variant_cast(type(), typeid(T));
        }
        return variant_detail::valueIn<T>(storage);
    }

    // Lenient conversion; the supported targets are declared below this class. Any other target
    // is strict access.
    template <typename T>
    T convertTo() const {
        return cast<T>();
    }

    template <typename T>
    bool canConvertTo() const;

private:
    template <typename T>
    bool holds() const {
        if constexpr (std::is_copy_constructible_v<T>) {
            if (row == variant_detail::rowOf<T>) return true;
        }
        return row->type() == typeid(T);
    }

    template <typename T>
    void hold(const T& value) {
        if constexpr (std::is_same_v<T, variant_detail::empty> || std::is_same_v<T, variant_detail::null>) {
            row = variant_detail::rowOf<T>;
        } else {
            if constexpr (variant_detail::storedInWord<T>) {
                ::new (static_cast<void*>(storage.bytes)) T(value);
            } else {
                storage.heap = new T(value);
            }
            row = variant_detail::rowOf<T>;
        }
    }

    template <typename Object>
    void holdObject(const std::shared_ptr<Object>& object) {
        if (object) {
            hold(object);
        } else {
            row = variant_detail::rowOf<variant_detail::null>;
        }
    }

    void forget() noexcept {
        row = variant_detail::rowOf<variant_detail::empty>;
        storage.heap = nullptr;
    }

    const variant_detail::TypeTable* row = variant_detail::rowOf<variant_detail::empty>;
    variant_detail::Word storage{};
};

// The lenient conversions. Numbers, truth values and text: any numeric, bool or text value that
// fits; objects, lists and maps: see the object conversions.
template <>
double variant::convertTo<double>() const;
template <>
float variant::convertTo<float>() const;
template <>
int variant::convertTo<int>() const;
template <>
long variant::convertTo<long>() const;
template <>
short variant::convertTo<short>() const;
template <>
unsigned short variant::convertTo<unsigned short>() const;
template <>
unsigned int variant::convertTo<unsigned int>() const;
template <>
unsigned long variant::convertTo<unsigned long>() const;
template <>
long long variant::convertTo<long long>() const;
template <>
unsigned long long variant::convertTo<unsigned long long>() const;
template <>
bool variant::convertTo<bool>() const;
template <>
std::string variant::convertTo<std::string>() const;
template <>
std::wstring variant::convertTo<std::wstring>() const;
template <>
std::shared_ptr<JSObject> variant::convertTo<std::shared_ptr<JSObject>>() const;
template <>
std::shared_ptr<JSAPI> variant::convertTo<std::shared_ptr<JSAPI>>() const;
template <>
VariantList variant::convertTo<VariantList>() const;
template <>
VariantMap variant::convertTo<VariantMap>() const;
template <>
std::vector<std::shared_ptr<JSObject>> variant::convertTo<std::vector<std::shared_ptr<JSObject>>>() const;

template <>
inline variant variant::convertTo<variant>() const {
    return *this;
}

// True when the value holds a T or converts to one; a failed conversion answers false.
template <typename T>
bool variant::canConvertTo() const {
    if (type() == typeid(T)) return true;
    try {
        convertTo<T>();
        return true;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace FB
