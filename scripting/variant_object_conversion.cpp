// Conversion of script values to object references, lists and member maps. A page wrapper of one
// of the plug-in's own scriptable objects is unwrapped, so the plug-in gets back the very object it
// handed out. A page array or plain object is read into a list or map through its properties.
#include <memory>
#include <typeinfo>

#include "scripting/cast_pointer.h"
#include "scripting/js_object.h"
#include "scripting/variant.h"

namespace FB {
namespace {

// The object a value refers to; empty for the empty and null values and for a dead weak reference.
// Any other value must hold a scriptable-object reference.
JSAPIPtr referencedObject(const variant& value) {
    if (value.type() == typeid(JSObjectPtr)) return value.cast<JSObjectPtr>();
    if (value.type() == typeid(JSAPIWeakPtr)) return value.cast<JSAPIWeakPtr>().lock();
    if (value.isEmpty() || value.isNull()) return nullptr;
    return value.cast<JSAPIPtr>();
}

template <class Target>
std::shared_ptr<Target> toObject(const variant& value) {
    const JSAPIPtr object = referencedObject(value);
    if (!object) return nullptr;
    // The innermost object wins: a page wrapper around a plug-in object yields the plug-in object.
    if (const JSObjectPtr browserObject = castPointer<JSObject>(object)) {
        if (const JSAPIPtr inner = browserObject->scriptingObject()) {
            if (auto wrapped = castPointer<Target>(inner)) return wrapped;
        }
    }
    if (auto direct = castPointer<Target>(object)) return direct;
    throw bad_variant_cast(value.type(), typeid(Target));
}

// Values that are not the container itself are read from the page object they refer to.
template <class Container>
Container readContainer(const variant& value, void (*read)(const JSObjectPtr&, Container&)) {
    if (value.type() == typeid(Container)) return value.cast<Container>();
    if (!value.canConvertTo<JSObjectPtr>()) throw bad_variant_cast(value.type(), typeid(JSObjectPtr));
    Container result;
    read(value.convertTo<JSObjectPtr>(), result);
    return result;
}

}  // namespace

template <>
JSObjectPtr variant::convertTo<JSObjectPtr>() const {
    return toObject<JSObject>(*this);
}

template <>
JSAPIPtr variant::convertTo<JSAPIPtr>() const {
    return toObject<JSAPI>(*this);
}

template <>
VariantList variant::convertTo<VariantList>() const {
    return readContainer<VariantList>(*this, &JSObject::readArrayValues);
}

template <>
VariantMap variant::convertTo<VariantMap>() const {
    return readContainer<VariantMap>(*this, &JSObject::readObjectValues);
}

template <>
std::vector<JSObjectPtr> variant::convertTo<std::vector<JSObjectPtr>>() const {
    return readContainer<std::vector<JSObjectPtr>>(*this, &JSObject::readArrayObjects);
}

}  // namespace FB
