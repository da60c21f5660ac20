// Mouse input in window client coordinates (plug-in relative for a windowless window).
#pragma once

#include "host/events/plugin_event.h"

namespace FB {

enum ModifierState : unsigned {
    ModifierState_Shift = 1,
    ModifierState_Control = 2,
    ModifierState_Alt = 4,
};

class MouseButtonEvent : public PluginEvent {
public:
    enum Button { MouseButton_Left = 0, MouseButton_Right = 1, MouseButton_Middle = 2 };

    MouseButtonEvent(int button, int x, int y, unsigned modifiers)
        : m_Btn(button), m_x(x), m_y(y), m_state(modifiers) {}

    int m_Btn;
    int m_x;
    int m_y;
    unsigned m_state;
};

class MouseDownEvent : public MouseButtonEvent {
public:
    using MouseButtonEvent::MouseButtonEvent;
};

class MouseUpEvent : public MouseButtonEvent {
public:
    using MouseButtonEvent::MouseButtonEvent;
};

// Handled by the application; no window of this system sends it.
class MouseDoubleClickEvent : public MouseButtonEvent {
public:
    using MouseButtonEvent::MouseButtonEvent;
};

class MouseMoveEvent : public PluginEvent {
public:
    MouseMoveEvent(int x, int y) : m_x(x), m_y(y) {}
    int m_x;
    int m_y;
};

class MouseScrollEvent : public PluginEvent {
public:
    MouseScrollEvent(int x, int y, double deltaX, double deltaY) : m_x(x), m_y(y), m_dx(deltaX), m_dy(deltaY) {}
    int m_x;
    int m_y;
    double m_dx;
    double m_dy;
};

}  // namespace FB
