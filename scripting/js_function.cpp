#include "scripting/js_function.h"

#include "scripting/scope_guard.h"
#include "scripting/script_error.h"

namespace FB {

JSFunction::JSFunction(const JSAPIWeakPtr& target, const std::string& methodName, const int& scope)
    : JSAPIAuto(scope, methodName + "()"), target_(target), methodName_(methodName) {
    allowMethodObjects = false;
    reservedNames.clear();
}

variant JSFunction::exec(const VariantList& args) {
    JSAPIPtr target = target_.lock();
    if (!target) throw script_error("Invalid JSAPI object");
    // The target runs the method at this function's scope, locked for this thread; the guard
    // pops the scope again when the method raises.
    ScopeGuard guard(target, getScope());
    return target->Invoke(methodName_, args);
}

variant JSFunction::call(const VariantList& args) {
    if (args.empty()) return exec(args);
    return exec(VariantList(args.begin() + 1, args.end()));
}

variant JSFunction::apply(const VariantList& args) {
    if (args.size() < 2) return exec(VariantList());
    return exec(args[1].convertTo<VariantList>());
}

bool JSFunction::HasMethod(const std::string& name) {
    if (name.empty() || name == "call" || name == "apply") return true;
    return JSAPIAuto::HasMethod(name);
}

bool JSFunction::HasProperty(const std::string& name) {
    if (name == "call" || name == "apply") return false;
    return JSAPIAuto::HasProperty(name);
}

variant JSFunction::Invoke(const std::string& name, const VariantList& args) {
    if (name.empty()) return exec(args);
    if (name == "call") return call(args);
    if (name == "apply") return apply(args);
    return JSAPIAuto::Invoke(name, args);
}

}  // namespace FB
