// A command queued by the main thread under a view's frame lock and run on the decode thread
// before the next picture is drawn on.
#pragma once

#include <cstdint>

struct FrameCommand {
    int32_t code = 0;
    uint32_t parameter = 0;  // reserved
};

enum FrameCommandCode : int32_t {
    kFrameCommandCalibrate = 1,  // the analysis-setting view calibrates on the current picture
    kFrameCommandKeep = 100,     // keep a copy of the current picture (pause)
    kFrameCommandDrop = 101,     // drop the kept copy (resume)
};
