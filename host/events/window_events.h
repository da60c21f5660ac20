// Timer, repaint and resize notifications of a plug-in window.
#pragma once

#include "host/events/plugin_event.h"
#include "host/rect.h"
#include "platform/base/win_types.h"

namespace FB {

class TimerEvent : public PluginEvent {
public:
    TimerEvent(unsigned id, LPARAM data) : timerId(id), timerData(data) {}
    unsigned timerId;
    LPARAM timerData;
};

class RefreshEvent : public PluginEvent {
public:
    explicit RefreshEvent(const Rect& area) : bounds(area) {}
    Rect bounds;
};

class ResizedEvent : public PluginEvent {};

}  // namespace FB
