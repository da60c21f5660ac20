// The script functions every NPAPI scriptable object offers besides its plug-in object's own
// members. The listener functions hold their wrapper weakly: a page may keep one after the wrapper
// that made it is gone, and calling it then fails with "Invalid Arguments".
#pragma once

#include "npapi/np_javascript_object.h"
#include "scripting/js_function.h"

#include <memory>

namespace FB::Npapi {

// A function object belonging to one wrapper.
class NPBuiltinFunction : public JSFunction {
public:
    NPBuiltinFunction(const std::string& name, std::weak_ptr<ShareableReference<NPJavascriptObject>> owner)
        : JSFunction(JSAPIWeakPtr(), name, 0), m_owner(std::move(owner)) {}

protected:
    using ListenerChange = void (JSAPI::*)(const std::string&, const JSObjectPtr&);

    // The owner's wrapped object while the owner is live; invalid_arguments otherwise.
    JSAPIPtr ownerApi() const;
    // (type, listener[, capture]): adds or removes the listener of the owner's event "on" + type.
    // A page value that does not convert, or an owner gone meanwhile, is invalid_arguments.
    variant changeListener(const VariantList& args, ListenerChange change) const;

private:
    std::weak_ptr<ShareableReference<NPJavascriptObject>> m_owner;
};

class NPJavascriptObject::NPO_addEventListener : public NPBuiltinFunction {
public:
    explicit NPO_addEventListener(std::weak_ptr<ShareableReference<NPJavascriptObject>> owner)
        : NPBuiltinFunction("attachEvent", std::move(owner)) {}
    variant exec(const VariantList& args) override;
};

class NPJavascriptObject::NPO_removeEventListener : public NPBuiltinFunction {
public:
    explicit NPO_removeEventListener(std::weak_ptr<ShareableReference<NPJavascriptObject>> owner)
        : NPBuiltinFunction("detachEvent", std::move(owner)) {}
    variant exec(const VariantList& args) override;
};

// The message of the last script error, whatever the arguments.
class NPJavascriptObject::NPO_getLastException : public NPBuiltinFunction {
public:
    explicit NPO_getLastException(std::weak_ptr<ShareableReference<NPJavascriptObject>> owner)
        : NPBuiltinFunction("getLastException", std::move(owner)) {}
    variant exec(const VariantList& args) override;
};

}  // namespace FB::Npapi
