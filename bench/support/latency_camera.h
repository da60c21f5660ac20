// The loopback camera the latency benchmarks measure with: 1080p, like the cameras the views show.
#pragma once

#include "tests/support/loopback_rtsp_camera.h"

namespace bench_support {

inline test_support::LoopbackRtspCameraOptions Camera1080p(int framesPerSecond, int slicesPerPicture) {
    test_support::LoopbackRtspCameraOptions options;
    options.width = 1920;
    options.height = 1080;
    options.framesPerSecond = framesPerSecond;
    options.slicesPerPicture = slicesPerPicture;
    return options;
}

}  // namespace bench_support
