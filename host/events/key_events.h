// Keyboard input: the framework key code (see key_codes.h), the message's virtual-key code and
// the modifiers (always 0 from the plug-in windows).
#pragma once

#include "host/events/plugin_event.h"

namespace FB {

class KeyEvent : public PluginEvent {
public:
    KeyEvent(int key, unsigned osKey, unsigned modifiers) : m_key(key), m_os_key_code(osKey), m_modifiers(modifiers) {}
    int m_key;
    unsigned m_os_key_code;
    unsigned m_modifiers;
};

class KeyDownEvent : public KeyEvent {
public:
    using KeyEvent::KeyEvent;
};

class KeyUpEvent : public KeyEvent {
public:
    using KeyEvent::KeyEvent;
};

}  // namespace FB
