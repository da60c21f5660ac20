// The interface of every object that page script can see, and through which the plug-in sees
// objects of the page. Every operation has a narrow form (UTF-8 names) that implementations
// override; the wide forms only convert the name and call the narrow one.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scripting/variant.h"

namespace FB {

class JSAPI;
class JSObject;

using JSAPIPtr = std::shared_ptr<JSAPI>;
using JSAPIWeakPtr = std::weak_ptr<JSAPI>;
using JSObjectPtr = std::shared_ptr<JSObject>;
using VariantList = std::vector<variant>;
using VariantMap = std::map<std::string, variant>;

class JSAPI : public std::enable_shared_from_this<JSAPI> {
public:
    JSAPI() = default;
    JSAPI(const JSAPI&) = delete;
    JSAPI& operator=(const JSAPI&) = delete;
    virtual ~JSAPI();

    // The object refuses further script use from now on.
    virtual void invalidate() = 0;
    // Called by the browser host on every object it retains when it shuts down.
    virtual void shutdown() {}

    // Scope stack: pushScope/popScope bracket a call made for a caller of the given privilege;
    // getScope is the top, getDefaultScope/setDefaultScope the bottom.
    virtual void pushScope(const int& scope);
    virtual void popScope();
    virtual void setDefaultScope(const int& scope);
    virtual int getDefaultScope();
    virtual int getScope();

    // Event names carry their "on" prefix ("onalarm").
    virtual void addEventHandler(const std::wstring& name, const JSObjectPtr& handler);
    virtual void addEventHandler(const std::string& name, const JSObjectPtr& handler);
    virtual void removeEventHandler(const std::wstring& name, const JSObjectPtr& handler);
    virtual void removeEventHandler(const std::string& name, const JSObjectPtr& handler);
    virtual void addEventSink(const JSObjectPtr& sink);
    virtual void removeEventSink(const JSObjectPtr& sink);

    virtual void listMemberNames(std::vector<std::string>* names);
    virtual void listMemberNames(std::vector<std::string>& names) = 0;
    virtual void listMemberNames(std::vector<std::wstring>* names);
    virtual void listMemberNames(std::vector<std::wstring>& names);
    virtual std::size_t countMembers() = 0;

    virtual bool HasMethod(const std::string& name) = 0;
    virtual bool HasMethod(const std::wstring& name);
    virtual bool canFetchMethod(const std::string& name);
    virtual bool canFetchMethod(const std::wstring& name);

    virtual bool HasProperty(int index) = 0;
    virtual bool HasProperty(const std::string& name) = 0;
    virtual bool HasProperty(const std::wstring& name);

    virtual JSAPIPtr fetchMethodObject(const std::string& name);
    virtual JSAPIPtr fetchMethodObject(const std::wstring& name);

    virtual variant GetProperty(int index) = 0;
    virtual variant GetProperty(const std::string& name) = 0;
    virtual variant GetProperty(const std::wstring& name);

    virtual void SetProperty(int index, const variant& value) = 0;
    virtual void SetProperty(const std::string& name, const variant& value) = 0;
    virtual void SetProperty(const std::wstring& name, const variant& value);

    virtual void RemoveProperty(int index) = 0;
    virtual void RemoveProperty(const std::string& name) = 0;
    virtual void RemoveProperty(const std::wstring& name);

    // An empty name calls the object itself (the default call of a function object).
    virtual variant Invoke(const std::string& name, const VariantList& args) = 0;
    virtual variant Invoke(const std::wstring& name, const VariantList& args);
    virtual variant Construct(const VariantList& args) = 0;
};

}  // namespace FB
