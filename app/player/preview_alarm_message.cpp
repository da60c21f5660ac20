#include "app/player/preview_alarm_message.h"

#include "app/player/preview_message_intake.h"
#include "platform/window/win_window.h"

#include <cstring>
#include <new>

bool PostAlarmText(HWND window, UINT message, const char* body, int length) {
    if (!window || length < 0 || (length > 0 && !body)) return false;
    std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<size_t>(length) + 1]);
    if (!text) return false;
    if (length > 0) std::memcpy(text.get(), body, static_cast<size_t>(length));
    text[static_cast<size_t>(length)] = '\0';
    if (!PostMessageW(window, message, reinterpret_cast<WPARAM>(text.get()), 0)) return false;
    text.release();  // the message owns it now
    return true;
}

bool IsAlarmTextMessage(UINT message) { return message == kAlarmTextMessage || message == kAlarmTextOtherMessage; }

std::unique_ptr<char[]> TakeAlarmText(WPARAM wParam) {
    return std::unique_ptr<char[]>(reinterpret_cast<char*>(wParam));
}

void DiscardPendingAlarmTexts(HWND window) {
    if (!window) return;
    MSG message{};
    for (UINT kind : {kAlarmTextMessage, kAlarmTextOtherMessage}) {
        while (PeekMessageW(&message, window, kind, kind, PM_REMOVE)) TakeAlarmText(message.wParam);
    }
}
