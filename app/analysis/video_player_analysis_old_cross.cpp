#include "app/analysis/video_player_analysis_old_cross.h"

namespace {

const DrawColour kCentreMarkColour{255, 0, 0};

}  // namespace

void CVideoPlayerAnalysisOldCross::DrawOverlay() {
    const ShapePoint centre{static_cast<float>(width_ / 2), static_cast<float>(shownHeight() / 2)};
    DrawPlus(centre, kCentreMarkColour);
    CVideoPlayerAnalysisOld::DrawOverlay();
}
