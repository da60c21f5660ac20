#include "app/player/alarm_text_message.h"

#include "app/player/preview_message_intake.h"
#include "platform/window/win_window.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

// The texts posted and not yet taken, from every view of the process.
class TextsInFlight {
public:
    void add(const char* text) {
        std::lock_guard<std::mutex> hold(lock_);
        texts_.insert(text);
    }
    bool remove(const char* text) {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_.erase(text) == 1;
    }
    size_t count() {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_.size();
    }

private:
    std::mutex lock_;
    std::unordered_set<const char*> texts_;
};

TextsInFlight& textsInFlight() {
    static TextsInFlight texts;
    return texts;
}

}  // namespace

bool PostAlarmText(HWND window, UINT message, const char* body, int length) {
    if (!window || length < 0 || (length > 0 && !body)) return false;
    std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<size_t>(length) + 1]);
    if (!text) return false;
    if (length > 0) std::memcpy(text.get(), body, static_cast<size_t>(length));
    text[static_cast<size_t>(length)] = '\0';
    // Known before the post: the window's thread may take it before PostMessageW returns.
    textsInFlight().add(text.get());
    if (!PostMessageW(window, message, reinterpret_cast<WPARAM>(text.get()), 0)) {
        textsInFlight().remove(text.get());
        return false;
    }
    text.release();  // the message owns it now
    return true;
}

bool IsAlarmTextMessage(UINT message) { return message == kAlarmTextMessage || message == kAlarmTextOtherMessage; }

std::unique_ptr<char[]> TakeAlarmText(WPARAM wParam) {
    char* text = reinterpret_cast<char*>(wParam);
    if (!text || !textsInFlight().remove(text)) return nullptr;
    return std::unique_ptr<char[]>(text);
}

size_t AlarmTextsInFlight() { return textsInFlight().count(); }

void DiscardPendingAlarmTexts(HWND window) {
    if (!window) return;
    MSG message{};
    for (UINT kind : {kAlarmTextMessage, kAlarmTextOtherMessage}) {
        while (PeekMessageW(&message, window, kind, kind, PM_REMOVE)) TakeAlarmText(message.wParam);
    }
}
