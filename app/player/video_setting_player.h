// The camera view a page uses while it edits the camera's on-screen-display settings ("SetFunction"
// type 1). It shows the live picture and the on-screen text like the base view, but the layout of
// that text (date format, location, which items show, positions) comes from the page as JSON,
// while only the date and time keep coming from the camera over the device link: the page can
// preview a setting before it stores it in the camera.
//
// Threads: the settings arrive on the page's thread, device messages on the device link's thread,
// the drawing runs on the decode thread; all three touch the record under the frame lock.
#pragma once

#include "app/player/video_player.h"

#include <string>

class CVideoSettingPlayer : public CVideoPlayer {
public:
    CVideoSettingPlayer(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CVideoSettingPlayer() override;

    // Takes only the date and time of an on-screen-display record (type 1, 187 bytes).
    void OnDeviceMessage(int type, const char* body, int length) override;

    // Replaces the whole layout with the settings of the JSON text (the date and time read 0 until
    // the camera sends them again). Text that is not JSON, or members of the wrong kind, change
    // nothing.
    void SetOsdFromJson(const std::string& json);
};
