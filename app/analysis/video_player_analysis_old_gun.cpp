#include "app/analysis/video_player_analysis_old_gun.h"

#include "app/analysis/analysis_shape_keys.h"
#include "app/player/osd_text.h"
#include "app/util/critical_section_hold.h"

#include <cmath>

namespace {

const DrawColour kCurrentMarkColour{255, 0, 0};
const DrawColour kCrossMarkColour{0, 255, 0};

}  // namespace

CVideoPlayerAnalysisOldGun::CVideoPlayerAnalysisOldGun(VeltrinAPI* owner, FB::PluginWindow* window)
    : CVideoPlayerAnalysisOld(owner, window) {
    ShapeGroup& marks = groups_[kFifthGroup];
    marks.arrayKey = kCrossMarkKeys.arrayKey;
    marks.countKey = kCrossMarkKeys.countKey;
    marks.colour = kCrossMarkColour;
}

int CVideoPlayerAnalysisOldGun::Start() { return StartStill(); }

void CVideoPlayerAnalysisOldGun::AddMenuItems(ShapeMenu& menu) { menu.Add(kMenuRefresh); }

void CVideoPlayerAnalysisOldGun::StartDrawWithName(const int& type, const std::string& name) {
    if (GroupOfType(type) != kFifthGroup) {
        CVideoPlayerAnalysisOld::StartDrawWithName(type, name);
        return;
    }
    RemoveUnfinishedShapes();
    CriticalSectionHold hold(frameLock_);
    if (groups_[kFifthGroup].count() > kMostCrossMarks) return;
    BeginShape(kFifthGroup, name);
}

ShapeMenu CVideoPlayerAnalysisOldGun::BuildMenu(const ShapePoint&) {
    CriticalSectionHold hold(frameLock_);
    ShapeMenu menu;
    AddMenuItems(menu);
    const int group = GroupOf(current_);
    if (group == kCalibration || group == kFifthGroup) {
        if (editMode_) {
            menu.Add(kMenuSave);
        } else {
            menu.Add(kMenuEdit);
            menu.Add(kMenuDelete);
        }
    }
    menuOffer_.Remember(menu, current_);
    return menu;
}

// A shape the areas' search selects is reported once more; without one, the first cross mark whose
// centre lies near the point in x and in y is selected, whether its group is shown or not.
void CVideoPlayerAnalysisOldGun::SelectShapeAt(const ShapePoint& point) {
    CriticalSectionHold hold(frameLock_);
    CVideoPlayerAnalysisOld::SelectShapeAt(point);
    if (current_ != nullptr) {
        ClickShape(current_);
        return;
    }
    for (const auto& mark : groups_[kFifthGroup].shapes) {
        if (mark->points().empty()) continue;
        const ShapePoint& centre = mark->points().front();
        if (std::fabs(centre.x - point.x) < kMarkReach && std::fabs(centre.y - point.y) < kMarkReach) {
            current_ = mark.get();
            ClickShape(current_);
            return;
        }
    }
}

void CVideoPlayerAnalysisOldGun::DrawOverlay() {
    DrawCrossMarks();
    CVideoPlayerAnalysisOld::DrawOverlay();
}

void CVideoPlayerAnalysisOldGun::DrawCrossMarks() {
    ShapeGroup& marks = groups_[kFifthGroup];
    if (!marks.visible) return;
    const int labelSize = OsdTextSize(shownHeight());
    for (const auto& mark : marks.shapes) {
        if (mark->points().empty()) continue;
        const bool current = mark.get() == current_;
        const DrawColour& colour = current ? kCurrentMarkColour : marks.colour;
        DrawPlus(mark->points().front(), colour);
        mark->SetLabelSize(labelSize);
        if (current && editMode_) mark->DrawVertex(0, kCurrentMarkColour);
    }
}
