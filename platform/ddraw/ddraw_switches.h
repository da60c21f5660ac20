// The state behind the DirectDraw test switches, read by the stand-in's calls. Internal to the
// platform library.
#pragma once

#include "platform/ddraw/ddraw_testing.h"

namespace platform::detail {

bool directDrawCallFails(platform::testing::DirectDrawCall call);
// Counts display changes; a surface made under an older one is lost.
unsigned displayGeneration();
// True when this Lock must answer DDERR_WASSTILLDRAWING.
bool takeStillDrawingLock();
void countDirectDrawObject(int change);

}  // namespace platform::detail
