// Which device messages the preview views take, by type and body length, and what each becomes:
// alarm texts (types 0 and 5, at most 5120 bytes) go to the view's window as messages 0x402 and
// 0x404; the on-screen-display record (type 1) and the status records (types 2, 3, 4 and 10) are
// taken only at their exact size. Anything else is ignored.
#pragma once

#include "platform/base/win_types.h"

constexpr int kMaxAlarmTextLength = 5120;
constexpr UINT kAlarmTextMessage = 0x402;       // type 0
constexpr UINT kAlarmTextOtherMessage = 0x404;  // type 5

enum class PreviewMessageAction {
    Ignore,
    DropOversizedAlarm,  // an alarm text above kMaxAlarmTextLength: logged and dropped
    PostAlarm,           // posted to the view's window as alarmMessage
    TakeOsdRecord,       // as every view takes it
    StoreStatusRecord,   // replaces the stored record of its type
};

struct PreviewMessageRoute {
    PreviewMessageAction action = PreviewMessageAction::Ignore;
    UINT alarmMessage = 0;  // with PostAlarm
};

PreviewMessageRoute RoutePreviewMessage(int type, int length);
