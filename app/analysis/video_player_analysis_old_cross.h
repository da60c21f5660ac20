// The named-area view with a centre mark ("SetFunction" type 8): a plus sign at the middle of the
// picture, under the areas, helps the user aim the camera.
#pragma once

#include "app/analysis/video_player_analysis_old.h"

class CVideoPlayerAnalysisOldCross : public CVideoPlayerAnalysisOld {
public:
    using CVideoPlayerAnalysisOld::CVideoPlayerAnalysisOld;

    void DrawOverlay() override;
};
