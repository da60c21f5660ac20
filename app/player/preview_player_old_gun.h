// The preview view of the older fixed cameras ("SetFunction" type 10): it draws only the line set
// of message type 3.
#pragma once

#include "app/player/preview_player.h"

class CPreviewPlayerOldGun : public CPreviewPlayer {
public:
    CPreviewPlayerOldGun(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CPreviewPlayerOldGun() override;

    void DrawExtraOverlay() override;
};
