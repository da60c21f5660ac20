// The DOM-style event object handed to page handlers by dispatchEventObject.
#pragma once

#include <string>

#include "scripting/jsapi.h"

namespace FB {

// {"type", "target", "currentTarget", "eventPhase": 2, "bubbles": false, "cancelable": false,
// "namespaceURI"}, then the caller's members that do not clash, then "arguments" last.
VariantMap buildEventObject(const JSAPIPtr& target, const std::string& name, const VariantMap& members,
                            const VariantList& args);

}  // namespace FB
