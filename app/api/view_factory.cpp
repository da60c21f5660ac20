#include "app/api/view_factory.h"

#include "app/analysis/analysis_setting_player.h"
#include "app/analysis/video_player_analysis_jk.h"
#include "app/analysis/video_player_analysis_old.h"
#include "app/analysis/video_player_analysis_old_cross.h"
#include "app/analysis/video_player_analysis_old_gun.h"
#include "app/analysis/video_player_analysis_old_gun_setting.h"
#include "app/analysis/video_player_wkk.h"
#include "app/player/preview_player.h"
#include "app/player/preview_player_old_ball.h"
#include "app/player/preview_player_old_gun.h"
#include "app/player/video_player.h"
#include "app/player/video_player_inner_ctrl.h"
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
            return std::make_unique<CVideoPlayerAnalysisOld>(owner, window);
        case 4:  // lane analysis
            return std::make_unique<CVideoPlayerAnalysisJK>(owner, window);
        case 6:  // view with an on-picture control bar
            return std::make_unique<CVideoPlayerInnerCtrl>(owner, window);
        case 7:  // named-shape analysis of a gun camera, with cross marks
            return std::make_unique<CVideoPlayerAnalysisOldGun>(owner, window);
        case 8:  // named-shape analysis with a centre mark
            return std::make_unique<CVideoPlayerAnalysisOldCross>(owner, window);
        case 9:  // named-shape analysis settings of a gun camera
            return std::make_unique<CVideoPlayerAnalysisOldGunSetting>(owner, window);
        default:
            return nullptr;
    }
}
