// A method of a plug-in object read as a property value: the page may call it directly or through
// its "call" and "apply" members. It holds its target weakly and runs the method at the scope at
// which it was fetched.
#pragma once

#include <string>

#include "scripting/jsapi_auto.h"

namespace FB {

class JSFunction : public JSAPIAuto {
public:
    JSFunction(const JSAPIWeakPtr& target, const std::string& methodName, const int& scope);

    using JSAPIAuto::HasMethod;
    using JSAPIAuto::HasProperty;
    using JSAPIAuto::Invoke;

    // The call itself; the bindings' built-in script functions override it.
    virtual variant exec(const VariantList& args);
    // Script "call": the first argument is the this-value and is dropped.
    virtual variant call(const VariantList& args);
    // Script "apply": the second argument is the argument list (a list or a page array).
    virtual variant apply(const VariantList& args);

    bool HasMethod(const std::string& name) override;
    bool HasProperty(const std::string& name) override;
    variant Invoke(const std::string& name, const VariantList& args) override;

protected:
    JSAPIWeakPtr target_;
    std::string methodName_;
};

}  // namespace FB
