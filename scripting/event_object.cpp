#include "scripting/event_object.h"

namespace FB {

VariantMap buildEventObject(const JSAPIPtr& target, const std::string& name, const VariantMap& members,
                            const VariantList& args) {
    VariantMap event;
    event["type"] = name;
    event["target"] = target;
    event["currentTarget"] = target;
    event["eventPhase"] = 2;
    event["bubbles"] = false;
    event["cancelable"] = false;
    event["namespaceURI"] = name;
    // insert keeps the entries above when the caller gives members of the same name.
    event.insert(members.begin(), members.end());
    event["arguments"] = args;
    return event;
}

}  // namespace FB
