// The plug-in's own COM identifiers and interfaces, as its type library describes them: the
// scripting sub-object's dual interface and class, the event-source dispinterface both of the
// plug-in's classes fire through, and the interface by which framework code recognises the COM
// objects the plug-in made itself.
#pragma once

#include "platform/com/dispex.h"

extern const IID LIBID_VeltrinLib;
extern const IID IID_IFBComJavascriptObject;
extern const IID DIID_IFBComEventSource;
extern const CLSID CLSID_FBComJavascriptObject;
extern const IID IID_IPluginObject;

// The dual interface of a scripting sub-object: IDispatchEx and no members of its own, since every
// member is found by name at run time.
struct IFBComJavascriptObject : IDispatchEx {
protected:
    ~IFBComJavascriptObject() = default;
};

// Answered only by the plug-in's own scripting objects; no operations of its own.
struct IPluginObject : IUnknown {
protected:
    ~IPluginObject() = default;
};
