// The named-area view of a gun camera ("SetFunction" type 7): the picture stands still on the first
// picture of each start (the menu's "刷新" takes a newer one), and beside the areas the user sets
// single-point cross marks (type 4), each drawn as a plus sign and selected by a click near it.
#pragma once

#include "app/analysis/video_player_analysis_old.h"

class CVideoPlayerAnalysisOldGun : public CVideoPlayerAnalysisOld {
public:
    // More cross marks than this refuse a new one.
    static constexpr uint32_t kMostCrossMarks = 32;
    // How near a click must come to a cross mark's centre, in x and in y.
    static constexpr float kMarkReach = 20.0f;

    CVideoPlayerAnalysisOldGun(VeltrinAPI* owner, FB::PluginWindow* window);

    int Start() override;
    void StartDrawWithName(const int& type, const std::string& name) override;
    void DrawOverlay() override;
    void AddMenuItems(ShapeMenu& menu) override;
    void SelectShapeAt(const ShapePoint& point) override;

protected:
    // "刷新", then edit and delete (or save while editing) for a calibration rectangle or cross
    // mark; nothing for the other areas.
    ShapeMenu BuildMenu(const ShapePoint& point) override;

private:
    void DrawCrossMarks();
};
