// Drawing into the view's current picture, in picture pixels, with the frame lock held (inside
// DrawOverlay on the decode thread, or ClearWindow on the main thread). Nothing is drawn before
// the picture size is known or while there is no current picture.
#include "app/player/video_player.h"

#include "app/render/drawing_coordinate.h"
#include "app/render/frame_bitmap_blend.h"
#include "app/render/frame_line.h"

#include <algorithm>
#include <cmath>

namespace {

// The arrow head's wings leave the shaft at 30 degrees and are 50 pixels long.
constexpr double kArrowWingAngle = 0.5235987901687622;
constexpr double kArrowWingLength = 50.0;
const DrawColour kDragRectColour{255, 0, 0};

}  // namespace

void CVideoPlayer::DrawLine(const ShapePoint& from, const ShapePoint& to, const DrawColour& colour) {
    if (currentFrame_ == nullptr || !HasPictureSize()) return;
    const int displayWidth = GetDisplayWidth();
    if (displayWidth == 0 || GetDisplayHeight() == 0) return;
    // About one screen pixel wide, whatever the scaling.
    const int thickness =
        std::max(1, static_cast<int>(static_cast<float>(width_) / static_cast<float>(displayWidth) + 0.5f));
    const int32_t yuv[3] = {colour.c0, colour.c1, colour.c2};
    DrawLineIntoFrame(currentFrame_->data, width_, shownHeight(), from.x, from.y, to.x, to.y, thickness, yuv);
}

void CVideoPlayer::DrawRect(const ShapePoint& from, const ShapePoint& to, const DrawColour& colour) {
    const ShapePoint topRight{to.x, from.y};
    const ShapePoint bottomLeft{from.x, to.y};
    DrawLine(from, topRight, colour);
    DrawLine(topRight, to, colour);
    DrawLine(to, bottomLeft, colour);
    DrawLine(bottomLeft, from, colour);
}

// The centre and side may come from the page (a vertex, a target width).
void CVideoPlayer::DrawSquare(int centreX, int centreY, int side, const DrawColour& colour) {
    const int x = DrawingCoordinate(centreX);
    const int y = DrawingCoordinate(centreY);
    const int half = DrawingCoordinate(side) / 2;
    DrawRect(ShapePoint{static_cast<float>(x - half), static_cast<float>(y - half)},
             ShapePoint{static_cast<float>(x + half), static_cast<float>(y + half)}, colour);
}

void CVideoPlayer::DrawArrowHead(const DrawColour& colour, float tailX, float tailY, float tipX, float tipY) {
    if (tailX == tipX && tailY == tipY) return;
    const double dx = static_cast<double>(tailX) - tipX;
    const double dy = static_cast<double>(tailY) - tipY;
    const double scale = kArrowWingLength / std::sqrt(dx * dx + dy * dy);
    const ShapePoint tip{tipX, tipY};
    for (const double angle : {kArrowWingAngle, -kArrowWingAngle}) {
        const double wingX = (dx * std::cos(angle) - dy * std::sin(angle)) * scale;
        const double wingY = (dx * std::sin(angle) + dy * std::cos(angle)) * scale;
        DrawLine(tip, ShapePoint{static_cast<float>(tipX + wingX), static_cast<float>(tipY + wingY)}, colour);
    }
}

void CVideoPlayer::DrawText(int x, int y, const char* text, int pixelSize, const DrawColour& colour) {
    if (currentFrame_ == nullptr || !HasPictureSize() || text == nullptr) return;
    const int32_t rgb[3] = {colour.c0, colour.c1, colour.c2};
    textRenderer_.DrawText(currentFrame_->data, text, width_, shownHeight(), x, y, pixelSize, rgb);
}

void CVideoPlayer::DrawBitmap(int x, int y, const unsigned char* bitmap, int bitmapWidth, int bitmapHeight,
                              int bitmapStride) {
    if (currentFrame_ == nullptr || !HasPictureSize() || bitmap == nullptr) return;
    if (GetDisplayWidth() == 0 || GetDisplayHeight() == 0) return;
    BlendBitmapIntoFrame(currentFrame_->data, width_, shownHeight(), x, y, bitmap, bitmapWidth, bitmapHeight,
                         bitmapStride);
}

void CVideoPlayer::DrawDragRect() {
    if (dragPoints_.size() == 2) DrawRect(dragPoints_[0], dragPoints_[1], kDragRectColour);
}
