// The named-area settings view of a gun camera ("SetFunction" type 9): the named-area view on a
// still picture, taken at each start and replaced by the menu's "刷新".
#pragma once

#include "app/analysis/video_player_analysis_old.h"

class CVideoPlayerAnalysisOldGunSetting : public CVideoPlayerAnalysisOld {
public:
    using CVideoPlayerAnalysisOld::CVideoPlayerAnalysisOld;

    int Start() override { return StartStill(); }
    void AddMenuItems(ShapeMenu& menu) override { menu.Add(kMenuRefresh); }
};
