#include "scripting/jsapi_auto.h"

#include <exception>
#include <typeinfo>

#include "scripting/event_object.h"
#include "scripting/js_function.h"
#include "scripting/method_wrappers.h"
#include "scripting/script_error.h"
#include "scripting/utf8_tools.h"

namespace FB {

namespace {

// Nothing in the system lets the page delete registered properties.
constexpr bool kAllowRemovePropertiesByDefault = false;

using ScopeLock = std::lock_guard<std::recursive_mutex>;

invalid_arguments conversionError(const bad_variant_cast& error) {
    return invalid_arguments(std::string("Could not convert from ") + error.from + " to " + error.to);
}

}  // namespace

JSAPIAuto::JSAPIAuto(const std::string& description) : JSAPIAuto(0, description) {}

JSAPIAuto::JSAPIAuto(const int& scope, const std::string& description)
    : JSAPIImpl(scope), allowRemoveProperties(kAllowRemovePropertiesByDefault), description_(description) {
    registerReservedMembers();
}

JSAPIAuto::~JSAPIAuto() {
    methodObjectCache.clear();
    methods_.clear();
    properties_.clear();
    scopeTable.clear();
    reservedNames.clear();
    std::map<std::string, Attribute> attributes;  // released after the table lock
    std::lock_guard<std::mutex> lock(attributesMutex_);
    attributes.swap(attributes_);
}

void JSAPIAuto::registerReservedMembers() {
    pushScope(0);
    addMethod("toString", make_method(this, &JSAPIAuto::ToString));
    addMethod("getAttribute", make_method(this, &JSAPIAuto::getAttribute));
    addMethod("setAttribute", make_method(this, &JSAPIAuto::setAttribute));
    addProperty("value", PropertyFunctors(make_getter(this, &JSAPIAuto::ToString)));
    addProperty("valid", PropertyFunctors(make_getter(this, &JSAPIAuto::getValid)));
    popScope();
    for (const char* name : {"offsetWidth", "offsetHeight", "width", "height", "attributes", "nodeType", "namespaceURI",
                             "localName", "wrappedJSObject", "prototype", "style", "id", "constructor"}) {
        addReservedName(name);
    }
}

bool JSAPIAuto::isVisible(const std::string& name) {
    auto found = scopeTable.find(name);
    return found != scopeTable.end() && getScope() >= found->second;
}

bool JSAPIAuto::findAttribute(const std::string& name, Attribute* found) {
    std::lock_guard<std::mutex> lock(attributesMutex_);
    auto it = attributes_.find(name);
    if (it == attributes_.end()) return false;
    if (found) *found = it->second;
    return true;
}

void JSAPIAuto::throwIfInvalid() {
    if (!isObjectValid()) throw object_invalidated();
}

bool JSAPIAuto::HasMethod(const std::string& name) {
    ScopeLock lock(scopeLock());
    if (!isObjectValid()) return false;
    return isMethod(name) && isVisible(name);
}

bool JSAPIAuto::canFetchMethod(const std::string& name) {
    ScopeLock lock(scopeLock());
    return allowMethodObjects && HasMethod(name);
}

bool JSAPIAuto::HasProperty(const std::string& name) {
    ScopeLock lock(scopeLock());
    if (!isObjectValid()) return false;
    if (allowDynamicAttributes && !HasMethod(name) && reservedNames.count(name) == 0) return true;
    if (allowMethodObjects && isMethod(name) && isVisible(name)) return true;
    return isProperty(name) || findAttribute(name, nullptr);
}

bool JSAPIAuto::HasProperty(int index) {
    ScopeLock lock(scopeLock());
    if (!isObjectValid()) return false;
    return allowDynamicAttributes || findAttribute(std::to_string(index), nullptr);
}

variant JSAPIAuto::GetProperty(const std::string& name) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    if (isProperty(name) && isVisible(name)) {
        // A copy: the getter may change the property table while it runs.
        const GetPropFunctor getter = properties_.at(name).get;
        if (!getter) throw script_error("Cannot get write-only property " + name);
        return getter();
    }
    if (!isVisible(name)) {
        if (allowDynamicAttributes) return variant();
        throw invalid_member(name);
    }
    if (canFetchMethod(name)) return variant(fetchMethodObject(name));
    Attribute attribute;
    if (findAttribute(name, &attribute)) return attribute.value;
    if (allowDynamicAttributes) return variant();
    throw invalid_member(name);
}

variant JSAPIAuto::GetProperty(int index) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    const std::string key = std::to_string(index);
    Attribute attribute;
    if (isVisible(key) && findAttribute(key, &attribute)) return attribute.value;
    if (allowDynamicAttributes) return variant();
    throw invalid_member(key);
}

void JSAPIAuto::SetProperty(const std::string& name, const variant& value) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    if (isProperty(name)) {
        if (!isVisible(name)) throw invalid_member(name);
        const SetPropFunctor setter = properties_.at(name).set;
        if (!setter) throw script_error("Cannot set read-only property " + name);
        try {
            setter(value);
        } catch (const bad_variant_cast& error) {
            throw conversionError(error);
        }
        return;
    }
    Attribute attribute;
    if (!allowDynamicAttributes && (!findAttribute(name, &attribute) || attribute.readOnly)) {
        throw invalid_member(name);
    }
    addAttribute(name, value, false);
}

void JSAPIAuto::SetProperty(int index, const variant& value) {
    throwIfInvalid();
    ScopeLock lock(scopeLock());
    const std::string key = std::to_string(index);
    Attribute attribute;
    if (!allowDynamicAttributes && (!findAttribute(key, &attribute) || attribute.readOnly)) {
        throw invalid_member(key);
    }
    addAttribute(key, value, false);
}

void JSAPIAuto::RemoveProperty(const std::string& name) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    if (!isVisible(name)) throw invalid_member(name);
    Attribute attribute;
    if (allowRemoveProperties && isProperty(name)) {
        dropProperty(name);
    } else if (allowDynamicAttributes && findAttribute(name, &attribute) && !attribute.readOnly) {
        removeAttribute(name);
    }
}

void JSAPIAuto::RemoveProperty(int index) {
    throwIfInvalid();
    ScopeLock lock(scopeLock());
    const std::string key = std::to_string(index);
    Attribute attribute;
    if (allowDynamicAttributes && findAttribute(key, &attribute) && !attribute.readOnly) {
        removeAttribute(key);
        return;
    }
    throw invalid_member(key);
}

variant JSAPIAuto::Invoke(const std::string& name, const VariantList& args) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    if (!isVisible(name) || !isMethod(name)) throw invalid_member(name);
    // A copy: the method may change the method table while it runs.
    const CallMethodFunctor method = methods_.at(name);
    try {
        return method(args);
    } catch (const bad_variant_cast& error) {
        throw conversionError(error);
    }
}

variant JSAPIAuto::Construct(const VariantList&) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    throw invalid_member("constructor");
}

JSAPIPtr JSAPIAuto::fetchMethodObject(const std::string& name) {
    ScopeLock lock(scopeLock());
    throwIfInvalid();
    if (!isVisible(name) || !canFetchMethod(name)) throw invalid_member(name);
    const auto key = std::make_pair(getScope(), name);
    std::shared_ptr<JSFunction>& cached = methodObjectCache[key];
    if (!cached) cached = std::make_shared<JSFunction>(weak_from_this(), name, key.first);
    return cached;
}

std::size_t JSAPIAuto::countMembers() {
    ScopeLock lock(scopeLock());
    const int scope = getScope();
    std::size_t count = 0;
    for (const auto& entry : scopeTable) {
        if (entry.second <= scope) ++count;
    }
    return count;
}

void JSAPIAuto::listMemberNames(std::vector<std::string>& names) {
    ScopeLock lock(scopeLock());
    names.clear();
    const int scope = getScope();
    for (const auto& entry : scopeTable) {
        if (entry.second <= scope) names.push_back(entry.first);
    }
}

void JSAPIAuto::fireEventLater(const std::string& name, const VariantList& args) {
    JSAPIImpl::fireEventLater(name, args);
    Attribute attribute;
    if (!findAttribute(name, &attribute) || attribute.value.type() != typeid(JSObjectPtr)) return;
    try {
        attribute.value.cast<JSObjectPtr>()->invokeLater(std::string(), args);
    } catch (const std::exception&) {}
}

void JSAPIAuto::dispatchEventObject(const std::string& name, const VariantMap& members, const VariantList& args) {
    // An invalidated object, or one already being destroyed, delivers nothing.
    JSAPIPtr self = weak_from_this().lock();
    if (!isObjectValid() || !self) return;
    JSAPIImpl::dispatchEventObject(name, members, args);
    Attribute attribute;
    if (!findAttribute(name, &attribute) || attribute.value.type() != typeid(JSObjectPtr)) return;
    try {
        const VariantList eventArgs{variant(buildEventObject(self, name, members, args))};
        attribute.value.cast<JSObjectPtr>()->invokeLater(std::string(), eventArgs);
    } catch (const std::exception&) {}
}

void JSAPIAuto::addAttribute(const std::string& name, const variant& value, bool readOnly) {
    ScopeLock lock(scopeLock());
    Attribute replaced;  // released after the table lock: it may hold the last page reference
    {
        std::lock_guard<std::mutex> attributesLock(attributesMutex_);
        Attribute& slot = attributes_[name];
        replaced = slot;
        slot = Attribute{value, readOnly};
    }
    scopeTable[name] = getScope();
}

void JSAPIAuto::addReservedName(const std::string& name) {
    ScopeLock lock(scopeLock());
    reservedNames.insert(name);
}

void JSAPIAuto::dropMethod(const std::string& name) {
    ScopeLock lock(scopeLock());
    if (methods_.erase(name) != 0) scopeTable.erase(name);
}

void JSAPIAuto::dropMethod(const std::wstring& name) { dropMethod(wideToUtf8(name)); }

void JSAPIAuto::addMethod(const std::string& name, const CallMethodFunctor& method) {
    ScopeLock lock(scopeLock());
    methods_[name] = method;
    scopeTable[name] = getScope();
}

void JSAPIAuto::addMethod(const std::wstring& name, const CallMethodFunctor& method) {
    addMethod(wideToUtf8(name), method);
}

void JSAPIAuto::addProperty(const std::string& name, const PropertyFunctors& functors) {
    ScopeLock lock(scopeLock());
    properties_[name] = functors;
    scopeTable[name] = getScope();
}

void JSAPIAuto::addProperty(const std::wstring& name, const PropertyFunctors& functors) {
    addProperty(wideToUtf8(name), functors);
}

void JSAPIAuto::dropProperty(const std::string& name) {
    ScopeLock lock(scopeLock());
    if (properties_.erase(name) != 0) scopeTable.erase(name);
}

void JSAPIAuto::dropProperty(const std::wstring& name) { dropProperty(wideToUtf8(name)); }

std::string JSAPIAuto::ToString() { return description_; }

bool JSAPIAuto::getValid() { return true; }

variant JSAPIAuto::getAttribute(const std::string& name) {
    Attribute attribute;
    if (findAttribute(name, &attribute)) return attribute.value;
    return variant();
}

void JSAPIAuto::setAttribute(const std::string& name, const variant& value) {
    ScopeLock lock(scopeLock());
    Attribute attribute;
    if (findAttribute(name, &attribute) && attribute.readOnly) {
        throw script_error("Cannot set read-only property " + name);
    }
    addAttribute(name, value, false);
}

void JSAPIAuto::removeAttribute(const std::string& name) {
    ScopeLock lock(scopeLock());
    Attribute attribute;
    if (!findAttribute(name, &attribute)) return;
    if (attribute.readOnly) throw script_error("Cannot remove read-only property " + name);
    {
        // The removed value goes with `attribute`, after the table lock: it may hold the last
        // reference to a page object.
        std::lock_guard<std::mutex> attributesLock(attributesMutex_);
        attributes_.erase(name);
    }
    scopeTable.erase(name);
}

}  // namespace FB
