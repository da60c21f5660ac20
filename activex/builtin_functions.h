// The script functions every COM scripting object of the plug-in offers besides its scripting
// object's own members. Each holds its owner weakly: a page may keep one after the COM object that
// made it is gone, and a call then fails with "Invalid object" as invalid_arguments.
#pragma once

#include "activex/jsapi_idispatch_ex_base.h"
#include "scripting/js_function.h"

namespace FB::ActiveX {

// (event name as the page gives it, with its "on" prefix; handler function): exactly two arguments.
class JSAPI_IDispatchExBase::IDisp_AttachEvent : public JSFunction {
public:
    explicit IDisp_AttachEvent(OwnerReference owner);
    variant exec(const VariantList& args) override;

private:
    OwnerReference m_owner;
};

class JSAPI_IDispatchExBase::IDisp_DetachEvent : public JSFunction {
public:
    explicit IDisp_DetachEvent(OwnerReference owner);
    variant exec(const VariantList& args) override;

private:
    OwnerReference m_owner;
};

// The message of the last script error, whatever the arguments.
class JSAPI_IDispatchExBase::IDisp_GetLastException : public JSFunction {
public:
    IDisp_GetLastException();
    variant exec(const VariantList& args) override;
};

}  // namespace FB::ActiveX
