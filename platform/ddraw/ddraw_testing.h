// Test switches of the DirectDraw stand-in: calls that fail the way they can on a real display,
// surfaces lost as after a display mode change, a blitter that is still busy, and a count of the
// objects alive so that tests see every reference released.
#pragma once

namespace platform::testing {

enum class DirectDrawCall {
    Create,  // DirectDrawCreateEx
    SetCooperativeLevel,
    CreatePrimarySurface,
    CreateOffscreenSurface,
    CreateClipper,
    ClipperSetHWnd,
    SurfaceSetClipper,
    Lock,
    Unlock,
    Blt,
};

// While on, the call fails with DDERR_GENERIC and makes nothing.
void setDirectDrawCallFails(DirectDrawCall call, bool fails);
// Every switch off, no busy Lock left.
void resetDirectDrawFailures();
// Every surface made until now is lost: Lock and Blt answer DDERR_SURFACELOST. Surfaces made
// afterwards work.
void loseDirectDrawSurfaces();
// The next count calls of Lock answer DDERR_WASSTILLDRAWING.
void setLocksStillDrawing(int count);
// DirectDraw objects, surfaces and clippers not yet destroyed by their last Release.
int liveDirectDrawObjects();

}  // namespace platform::testing
