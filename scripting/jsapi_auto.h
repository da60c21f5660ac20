// A scriptable object whose members are registered by name at run time: methods, properties
// (getter and setter) and attributes (stored values). Every member carries the lowest scope that
// may see it; script operations compare it with the object's current scope.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "scripting/jsapi_impl.h"
#include "scripting/member_functors.h"

namespace FB {

class JSFunction;

class JSAPIAuto : public JSAPIImpl {
public:
    explicit JSAPIAuto(const std::string& description);
    JSAPIAuto(const int& scope, const std::string& description);
    ~JSAPIAuto() override;

    using JSAPI::canFetchMethod;
    using JSAPI::fetchMethodObject;
    using JSAPI::GetProperty;
    using JSAPI::HasMethod;
    using JSAPI::HasProperty;
    using JSAPI::Invoke;
    using JSAPI::listMemberNames;
    using JSAPI::RemoveProperty;
    using JSAPI::SetProperty;
    using JSAPIImpl::dispatchEventObject;

    // Script operations: each holds the scope lock for its whole run, including the call of the
    // method, getter or setter, so calls into one object are serialised across threads.
    bool HasMethod(const std::string& name) override;
    bool canFetchMethod(const std::string& name) override;
    bool HasProperty(const std::string& name) override;
    bool HasProperty(int index) override;
    variant GetProperty(const std::string& name) override;
    variant GetProperty(int index) override;
    void SetProperty(const std::string& name, const variant& value) override;
    void SetProperty(int index, const variant& value) override;
    void RemoveProperty(const std::string& name) override;
    void RemoveProperty(int index) override;
    variant Invoke(const std::string& name, const VariantList& args) override;
    variant Construct(const VariantList& args) override;
    JSAPIPtr fetchMethodObject(const std::string& name) override;
    std::size_t countMembers() override;
    void listMemberNames(std::vector<std::string>& names) override;

    // Events also reach a page function stored as an attribute named like the event.
    void fireEventLater(const std::string& name, const VariantList& args) override;
    void dispatchEventObject(const std::string& name, const VariantMap& members, const VariantList& args) override;

    // Registration; the member becomes visible from the current scope upwards.
    virtual void addAttribute(const std::string& name, const variant& value, bool readOnly);
    virtual void addReservedName(const std::string& name);
    virtual void dropMethod(const std::string& name);
    virtual void dropMethod(const std::wstring& name);
    virtual void addMethod(const std::string& name, const CallMethodFunctor& method);
    virtual void addMethod(const std::wstring& name, const CallMethodFunctor& method);
    virtual void addProperty(const std::string& name, const PropertyFunctors& functors);
    virtual void addProperty(const std::wstring& name, const PropertyFunctors& functors);
    virtual void dropProperty(const std::string& name);
    virtual void dropProperty(const std::wstring& name);

    // Convenience for a property given as separate getter and (optional) setter.
    void addProperty(const std::string& name, GetPropFunctor getter, SetPropFunctor setter = {}) {
        addProperty(name, PropertyFunctors(std::move(getter), std::move(setter)));
    }

    // The reserved members' bodies.
    virtual std::string ToString();
    virtual bool getValid();
    virtual variant getAttribute(const std::string& name);
    virtual void setAttribute(const std::string& name, const variant& value);
    virtual void removeAttribute(const std::string& name);

protected:
    struct Attribute {
        variant value;
        bool readOnly = false;
    };

    // Guarded by the scope lock.
    std::map<std::pair<int, std::string>, std::shared_ptr<JSFunction>> methodObjectCache;
    std::map<std::string, int> scopeTable;
    std::set<std::string> reservedNames;

    bool allowDynamicAttributes = true;
    bool allowRemoveProperties;
    bool allowMethodObjects = true;

private:
    void registerReservedMembers();
    bool isVisible(const std::string& name);  // caller holds the scope lock
    bool isMethod(const std::string& name) const { return methods_.count(name) != 0; }
    bool isProperty(const std::string& name) const { return properties_.count(name) != 0; }
    bool findAttribute(const std::string& name, Attribute* found);
    void throwIfInvalid();

    std::map<std::string, CallMethodFunctor> methods_;
    std::map<std::string, PropertyFunctors> properties_;
    const std::string description_;

    // The attribute table has a lock of its own so that an event fired from any thread can read it
    // without the scope lock (a firing thread may hold locks that a scripted call waits for). It is
    // never held while anything is called out.
    std::mutex attributesMutex_;
    std::map<std::string, Attribute> attributes_;
};

}  // namespace FB
