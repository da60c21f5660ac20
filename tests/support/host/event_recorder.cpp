#include "tests/support/host/event_recorder.h"

#include "host/events/key_events.h"
#include "host/events/lifecycle_events.h"
#include "host/events/mouse_events.h"
#include "host/events/stream_events.h"
#include "host/events/window_events.h"
#include "host/events/windows_event.h"

namespace test_support {

namespace {

std::string join(std::initializer_list<std::string> parts) {
    std::string line;
    for (const std::string& part : parts) line += (line.empty() ? "" : " ") + part;
    return line;
}

std::string buttonLine(const char* kind, const FB::MouseButtonEvent& e) {
    return join(
        {kind, std::to_string(e.m_Btn), std::to_string(e.m_x), std::to_string(e.m_y), std::to_string(e.m_state)});
}

}  // namespace

std::string describeEvent(FB::PluginEvent* event) {
    using std::to_string;
    if (dynamic_cast<FB::AttachedEvent*>(event)) return "attached";
    if (dynamic_cast<FB::DetachedEvent*>(event)) return "detached";
    if (auto* e = dynamic_cast<FB::MouseDownEvent*>(event)) return buttonLine("down", *e);
    if (auto* e = dynamic_cast<FB::MouseUpEvent*>(event)) return buttonLine("up", *e);
    if (auto* e = dynamic_cast<FB::MouseMoveEvent*>(event)) return join({"move", to_string(e->m_x), to_string(e->m_y)});
    if (auto* e = dynamic_cast<FB::MouseScrollEvent*>(event)) {
        return join({"scroll", to_string(e->m_x), to_string(e->m_y), to_string(static_cast<int>(e->m_dx)),
                     to_string(static_cast<int>(e->m_dy))});
    }
    if (auto* e = dynamic_cast<FB::KeyDownEvent*>(event))
        return join({"key", to_string(e->m_key), to_string(e->m_os_key_code)});
    if (auto* e = dynamic_cast<FB::KeyUpEvent*>(event))
        return join({"keyup", to_string(e->m_key), to_string(e->m_os_key_code)});
    if (auto* e = dynamic_cast<FB::TimerEvent*>(event)) return join({"timer", to_string(e->timerId)});
    if (dynamic_cast<FB::RefreshEvent*>(event)) return "refresh";
    if (dynamic_cast<FB::ResizedEvent*>(event)) return "resized";
    if (auto* e = dynamic_cast<FB::WindowsEvent*>(event)) return join({"msg", to_string(e->uMsg)});
    if (dynamic_cast<FB::StreamCreatedEvent*>(event)) return "created";
    if (dynamic_cast<FB::StreamOpenedEvent*>(event)) return "opened";
    if (auto* e = dynamic_cast<FB::StreamCompletedEvent*>(event))
        return e->success ? "completed ok" : "completed failed";
    if (dynamic_cast<FB::StreamDestroyedEvent*>(event)) return "destroyed";
    return "other";
}

bool EventRecorder::handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) {
    log.push_back(describeEvent(event));
    return handles ? handles(event) : false;
}

std::vector<std::string> EventRecorder::translated() const {
    std::vector<std::string> lines;
    for (const std::string& line : log) {
        if (line.compare(0, 4, "msg ") != 0) lines.push_back(line);
    }
    return lines;
}

}  // namespace test_support
