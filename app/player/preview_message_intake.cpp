#include "app/player/preview_message_intake.h"

#include "app/device/device_message.h"

namespace {

PreviewMessageRoute alarm(int length, UINT message) {
    if (length < 0) return {};
    if (length > kMaxAlarmTextLength) return {PreviewMessageAction::DropOversizedAlarm, 0};
    return {PreviewMessageAction::PostAlarm, message};
}

PreviewMessageRoute exactly(int length, int size, PreviewMessageAction action) {
    return length == size ? PreviewMessageRoute{action, 0} : PreviewMessageRoute{};
}

}  // namespace

PreviewMessageRoute RoutePreviewMessage(int type, int length) {
    switch (type) {
        case kDeviceAlarmText:
            return alarm(length, kAlarmTextMessage);
        case kDeviceAlarmTextOther:
            return alarm(length, kAlarmTextOtherMessage);
        case kDeviceOsdRecord:
            return exactly(length, kOsdRecordSize, PreviewMessageAction::TakeOsdRecord);
        case kDeviceLineSetShort:
            return exactly(length, kDeviceLineSetShortSize, PreviewMessageAction::StoreStatusRecord);
        case kDeviceLineSet:
        case kDeviceLineSetBall:
            return exactly(length, kDeviceLineSetSize, PreviewMessageAction::StoreStatusRecord);
        case kDeviceFigureSet:
            return exactly(length, kDeviceFigureSetSize, PreviewMessageAction::StoreStatusRecord);
        default:
            return {};
    }
}
