#include "app/player/video_setting_player.h"

#include "app/device/device_message.h"
#include "app/player/osd_settings_json.h"
#include "app/util/critical_section_hold.h"

#include <cstddef>
#include <cstring>

namespace {

// The weekday, date and time fields lead the record: offsets 0 to 8.
constexpr size_t kClockFieldsSize = offsetof(OsdRecord, location);

}  // namespace

CVideoSettingPlayer::CVideoSettingPlayer(VeltrinAPI* owner, FB::PluginWindow* window) : CVideoPlayer(owner, window) {}

// The device link calls this view's override until it is stopped.
CVideoSettingPlayer::~CVideoSettingPlayer() { Shutdown(); }

void CVideoSettingPlayer::OnDeviceMessage(int type, const char* body, int length) {
    if (type != kDeviceOsdRecord || length != kOsdRecordSize || body == nullptr) return;
    CriticalSectionHold hold(frameLock_);
    std::memcpy(&osd_, body, kClockFieldsSize);
}

// Read completely before the lock is taken, so that a bad member can neither leave the lock held
// nor a record half replaced.
void CVideoSettingPlayer::SetOsdFromJson(const std::string& json) {
    OsdRecord settings;
    if (!ReadOsdSettings(json, &settings)) return;
    CriticalSectionHold hold(frameLock_);
    osd_ = settings;
}
