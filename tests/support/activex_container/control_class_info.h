// What a container reads of a control's class information (IProvideClassInfo::GetClassInfo) to
// connect its events, as a browser does: the class's default outgoing interface, the implemented
// interface whose roles are both default and source.
#pragma once

#include "platform/com/guiddef.h"
#include "platform/com/unknwn.h"

namespace test_support {

// False when the control gives no class information or its class names no such interface.
bool defaultSourceInterface(IUnknown* control, IID& iid);

}  // namespace test_support
