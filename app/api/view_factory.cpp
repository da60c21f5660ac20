#include "app/api/view_factory.h"

#include "app/analysis/analysis_setting_player.h"
#include "app/analysis/video_player_wkk.h"
#include "app/player/preview_player.h"
#include "app/player/preview_player_old_ball.h"
#include "app/player/preview_player_old_gun.h"
#include "app/player/video_player.h"
#include "app/player/video_setting_player.h"

std::unique_ptr<CVideoPlayer> MakeView(int functionType, int controlType, VeltrinAPI* owner, FB::PluginWindow* window) {
    switch (functionType) {
        case 0:  // live preview
            return std::make_unique<CPreviewPlayer>(owner, window);
        case 10:  // live preview of a gun camera
            return std::make_unique<CPreviewPlayerOldGun>(owner, window);
        case 11:  // live preview of a dome camera
            return std::make_unique<CPreviewPlayerOldBall>(owner, window);
        case kOsdSettingsFunction:
            return std::make_unique<CVideoSettingPlayer>(owner, window);
        case kAnalysisSettingsFunction:
            if (controlType == kStopAndShieldControl) return std::make_unique<CVideoPlayerWkk>(owner, window);
            return std::make_unique<CAnalysisSettingPlayer>(owner, window);
        case 3:  // named-shape analysis
        case 4:  // lane analysis
        case 6:  // view with an on-picture control bar
        case 7:  // named-shape analysis of a gun camera
        case 8:  // named-shape analysis with cross marks
        case 9:  // named-shape analysis settings of a gun camera
        default:
            return nullptr;
    }
}
