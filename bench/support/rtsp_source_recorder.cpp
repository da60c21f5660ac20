#include "bench/support/rtsp_source_recorder.h"

#include "platform/livevideo/livevideo.h"

#include <mutex>

namespace bench_support {
namespace {

constexpr int kAccessUnitDelimiter = 9;

// The source being recorded and the caller it hands on to.
struct Recorder {
    std::mutex mutex;
    rtsp_source_callback callback = nullptr;
    void* userData = nullptr;
    RecordedSource recorded;  // guarded by mutex
};

Recorder& TheRecorder() {
    static Recorder recorder;
    return recorder;
}

// On the source's thread: notes the unit, then hands it on as the source would have.
void RecordAndHandOn(int type, const unsigned char* data, int length, void* user) {
    auto* recorder = static_cast<Recorder*>(user);
    if (type == RTSP_SOURCE_DATA_H264_NAL && length > 0) {
        static constexpr uint8_t kStartCode[] = {0, 0, 0, 1};
        std::lock_guard lock(recorder->mutex);
        recorder->recorded.stream.insert(recorder->recorded.stream.end(), kStartCode, kStartCode + 4);
        recorder->recorded.stream.insert(recorder->recorded.stream.end(), data, data + length);
        if ((data[0] & 0x1F) == kAccessUnitDelimiter) {
            recorder->recorded.picturesHandedOn.push_back(std::chrono::steady_clock::now());
        }
    }
    recorder->callback(type, data, length, recorder->userData);
}

}  // namespace

void ResetRecordedSource() {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    recorder.recorded = {};
}

RecordedSource RecordedSourceSoFar() {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    return recorder.recorded;
}

}  // namespace bench_support

// What the linker puts in place of rtsp_source_new (--wrap), and the library's own function.
extern "C" rtsp_source* __real_rtsp_source_new(rtsp_source_callback callback, void* user_data);
extern "C" rtsp_source* __wrap_rtsp_source_new(rtsp_source_callback callback, void* user_data) {
    bench_support::Recorder& recorder = bench_support::TheRecorder();
    if (callback == nullptr) {
        return __real_rtsp_source_new(callback, user_data);  // refused, as the library refuses it
    }
    recorder.callback = callback;
    recorder.userData = user_data;
    return __real_rtsp_source_new(&bench_support::RecordAndHandOn, &recorder);
}
