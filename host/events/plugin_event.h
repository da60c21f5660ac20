// Base of every plug-in event. Events are built on the sender's stack, live only while they are
// sent, and are told apart by receivers through checked casts on their dynamic type.
#pragma once

namespace FB {

class PluginEvent {
public:
    virtual ~PluginEvent() = default;
};

}  // namespace FB
