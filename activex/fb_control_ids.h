// The control's own identifiers: its class, its default (dual) interface, its MIME type and the
// AppID under which the server registers.
#pragma once

#include "platform/com/dispex.h"

extern const CLSID CLSID_FBControl0;
extern const IID IID_IFBControl;
// Writable, as the control's class is made over it.
extern char FBCONTROL0_MIMETYPE[];

namespace FB::ActiveX {

// The AppID as the registry scripts write it.
extern const wchar_t* const kAppIdText;

}  // namespace FB::ActiveX

// The control's default interface: IDispatchEx with no members of its own, every member being
// found by name at run time.
struct IFBControl : IDispatchEx {
protected:
    ~IFBControl() = default;
};
