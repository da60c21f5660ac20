// Sent to a sink when it is added to or removed from an event source.
#pragma once

#include "host/events/plugin_event.h"

namespace FB {

class AttachedEvent : public PluginEvent {};
class DetachedEvent : public PluginEvent {};

}  // namespace FB
