#include "app/player/preview_player_old_gun.h"

#include "app/player/device_status_records.h"

CPreviewPlayerOldGun::CPreviewPlayerOldGun(VeltrinAPI* owner, FB::PluginWindow* window)
    : CPreviewPlayer(owner, window) {}

CPreviewPlayerOldGun::~CPreviewPlayerOldGun() { EndViewThreads(); }

void CPreviewPlayerOldGun::DrawExtraOverlay() { DrawLineSet(lineSet_, sizeof(lineSet_), kLineSetEntries); }
