// The preview view of the older dome cameras ("SetFunction" type 11): it draws only the line set of
// message type 10.
#pragma once

#include "app/player/preview_player.h"

class CPreviewPlayerOldBall : public CPreviewPlayer {
public:
    CPreviewPlayerOldBall(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CPreviewPlayerOldBall() override;

    void DrawExtraOverlay() override;
};
