// Alarm texts crossing from the device link's thread to the window's thread. The text travels as a
// heap buffer in wParam of message 0x402 or 0x404; whoever holds the message owns the buffer: the
// poster until the post succeeds, then the window's handler, or whoever discards the message.
// Every buffer in flight is remembered, so that a message of the same number from anyone else
// (its wParam no text of ours) is never taken for one.
#pragma once

#include "platform/base/win_user_types.h"

#include <cstddef>
#include <memory>

// Posts a copy of the body, length + 1 bytes ending in a zero, to the window. False, with the copy
// freed, when there is no window, the length is negative or the post fails.
bool PostAlarmText(HWND window, UINT message, const char* body, int length);

// True for the two messages that carry an alarm text.
bool IsAlarmTextMessage(UINT message);

// The text that a posted alarm message carries, now owned by the caller; null when wParam is no
// text in flight.
std::unique_ptr<char[]> TakeAlarmText(WPARAM wParam);

// How many texts are posted and not yet taken, in the whole process.
size_t AlarmTextsInFlight();

// Frees the texts of the alarm messages still waiting for the window. Call on the window's own
// thread, after the posting thread has stopped, so that no text is left without an owner.
void DiscardPendingAlarmTexts(HWND window);
