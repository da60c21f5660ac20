// Records what the RTSP source library hands to whoever made the source (a camera view), on its
// way there: the stream itself, for decoding it again afterwards, and when each picture was handed
// on whole (its access unit delimiter). The view still gets every call, unchanged and at once.
//
// The program must link with -Wl,--wrap=rtsp_source_new: every source made in the program then
// comes from here, with the recording callback in front of the caller's. One source at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace bench_support {

struct RecordedSource {
    std::vector<uint8_t> stream;                                          // Annex B, every unit handed on
    std::vector<std::chrono::steady_clock::time_point> picturesHandedOn;  // one per delimiter
};

// Forgets what was recorded; sources made from now on are recorded afresh.
void ResetRecordedSource();

// What was recorded since the last reset. Read it once the source is closed to have all of it.
RecordedSource RecordedSourceSoFar();

}  // namespace bench_support
