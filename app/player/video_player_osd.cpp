#include "app/player/osd_drawing.h"
#include "app/player/video_player.h"

// Called by the overlay step with the frame lock held, so the record is never read half-copied.
void CVideoPlayer::DrawOsd() {
    if (!currentFrame_) return;
    DrawOsdIntoPicture(textRenderer_, osdText_, currentFrame_->data, width_, shownHeight(), osd_);
}
