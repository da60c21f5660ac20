#include "app/player/preview_player_old_ball.h"

#include "app/player/device_status_records.h"

CPreviewPlayerOldBall::CPreviewPlayerOldBall(VeltrinAPI* owner, FB::PluginWindow* window)
    : CPreviewPlayer(owner, window) {}

CPreviewPlayerOldBall::~CPreviewPlayerOldBall() { EndViewThreads(); }

void CPreviewPlayerOldBall::DrawExtraOverlay() { DrawLineSet(lineSetBall_, sizeof(lineSetBall_), kLineSetEntries); }
