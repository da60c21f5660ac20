#include "activex/builtin_functions.h"

#include "activex/com_error.h"
#include "scripting/script_error.h"

namespace FB::ActiveX {

namespace {

using HandlerChange = void (JSAPI::*)(const std::string&, const JSObjectPtr&);

variant changeHandler(const JSAPI_IDispatchExBase::OwnerReference& owner, const VariantList& args,
                      HandlerChange change) {
    if (args.size() != 2) throw invalid_arguments();
    try {
        const auto reference = owner.lock();
        JSAPI_IDispatchExBase* object = reference ? reference->getPtr() : nullptr;
        if (!object) throw described_bad_cast("Invalid object");
        const JSAPIPtr api = object->getAPI();
        ((*api).*change)(args[0].convertTo<std::string>(), args[1].convertTo<JSObjectPtr>());
        return variant();
    } catch (const std::bad_cast& e) {
        throw invalid_arguments(e.what());
    }
}

}  // namespace

JSAPI_IDispatchExBase::IDisp_AttachEvent::IDisp_AttachEvent(OwnerReference owner)
    : JSFunction(JSAPIWeakPtr(), "attachEvent", 0), m_owner(std::move(owner)) {}

variant JSAPI_IDispatchExBase::IDisp_AttachEvent::exec(const VariantList& args) {
    return changeHandler(m_owner, args, &JSAPI::addEventHandler);
}

JSAPI_IDispatchExBase::IDisp_DetachEvent::IDisp_DetachEvent(OwnerReference owner)
    : JSFunction(JSAPIWeakPtr(), "detachEvent", 0), m_owner(std::move(owner)) {}

variant JSAPI_IDispatchExBase::IDisp_DetachEvent::exec(const VariantList& args) {
    return changeHandler(m_owner, args, &JSAPI::removeEventHandler);
}

JSAPI_IDispatchExBase::IDisp_GetLastException::IDisp_GetLastException()
    : JSFunction(JSAPIWeakPtr(), "getLastException", 0) {}

variant JSAPI_IDispatchExBase::IDisp_GetLastException::exec(const VariantList&) { return lastException(); }

}  // namespace FB::ActiveX
