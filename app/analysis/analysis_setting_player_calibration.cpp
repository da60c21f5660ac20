// The chessboard search behind the calibration quadrilateral: run as a frame command on the decode
// thread, with the newest picture current and the frame lock held.
#include "app/analysis/analysis_setting_player.h"

#include "app/analysis/shape_kind.h"
#include "app/calib/chessboard_search.h"

#include <algorithm>
#include <cmath>

namespace {

// A search rectangle narrower or lower than this holds no board worth searching.
constexpr int kSmallestSearch = 30;

}  // namespace

bool CAnalysisSettingPlayer::RunFrameCommand(const FrameCommand& command) {
    if (command.code != kFrameCommandCalibrate) return CVideoPlayer::RunFrameCommand(command);
    RunCalibration();
    return true;
}

// Searches the dragged rectangle, cut to the picture, and puts the board's corners in place of it
// as a calibration quadrilateral to review and save. Only the search rectangle is searched: the
// command may run after the user has begun another shape.
void CAnalysisSettingPlayer::RunCalibration() {
    if (currentKind != kCalibrationSearchKind || editPoints.size() != 2) return;
    if (currentFrame_ == nullptr || !HasPictureSize()) return;
    const float pictureWidth = static_cast<float>(width_);
    const float pictureHeight = static_cast<float>(shownHeight());
    const float left = std::clamp(std::min(editPoints[0].x, editPoints[1].x), 0.0f, pictureWidth);
    const float right = std::clamp(std::max(editPoints[0].x, editPoints[1].x), 0.0f, pictureWidth);
    const float top = std::clamp(std::min(editPoints[0].y, editPoints[1].y), 0.0f, pictureHeight);
    const float bottom = std::clamp(std::max(editPoints[0].y, editPoints[1].y), 0.0f, pictureHeight);
    const int width = static_cast<int>(right - left);
    const int height = static_cast<int>(bottom - top);
    if (width < kSmallestSearch || height < kSmallestSearch) {
        editPoints.clear();
        return;
    }
    // The rectangle starts at whole pixels, so that its last row and column stay inside.
    const int x0 = static_cast<int>(left);
    const int y0 = static_cast<int>(top);
    const cv::Mat cutOut = CutOutPicture(currentFrame_->data, width_, shownHeight(), x0, y0,
                                         std::min(width, width_ - x0), std::min(height, shownHeight() - y0));
    const PatternSize pattern = ReadPatternSize();
    editPoints.clear();
    std::vector<cv::Point2f> corners;
    if (!SearchChessboardAtScales(&corners, cutOut, cv::Rect(0, 0, cutOut.cols, cutOut.rows), pattern)) return;
    for (const cv::Point2f& corner : corners) editPoints.push_back(ShapePoint{corner.x + left, corner.y + top});
    currentKind = kCalibrationKind;
}
