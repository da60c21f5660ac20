// One RTSP session over libavformat's RTSP client, with the thread that reads it and hands on its
// H.264 NAL units. The C entry points of livevideo.h drive it.
#pragma once

#include "platform/livevideo/ffmpeg_owners.h"
#include "platform/livevideo/livevideo.h"
#include "platform/livevideo/nal_assembler.h"
#include "platform/livevideo/parameter_set_repeater.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace livevideo {

class RtspSource {
public:
    RtspSource(rtsp_source_callback callback, void* userData);
    ~RtspSource();
    RtspSource(const RtspSource&) = delete;
    RtspSource& operator=(const RtspSource&) = delete;

    int open(const char* url, int options, int timeoutMs);
    int play();
    void close();

private:
    // libavformat polls this while it waits on the network: non-zero ends the wait.
    static int interrupted(void* self);
    void setDeadline(int timeoutMs);
    void clearDeadline() { deadlineUs_ = 0; }

    void closeInput();
    void readLoop();
    void readStream();
    void deliver(const uint8_t* nal, size_t size);

    const rtsp_source_callback callback_;
    void* const userData_;

    std::mutex mutex_;                 // serialises open, play and close
    std::atomic<bool> abort_{false};   // close wants every wait to end now
    std::atomic<int64_t> deadlineUs_{0};  // a wait past this (av_gettime_relative) fails; 0: none
    std::atomic<bool> readerEnded_{false};  // the stream ended or failed: the reader has returned
    FormatContextPtr format_;
    int videoStream_ = -1;
    int timeoutMs_ = 0;
    std::thread reader_;  // written and read under mutex_

    // Used by the reader thread only while it runs.
    NalAssembler assembler_;
    ParameterSetRepeater parameterSets_;
};

}  // namespace livevideo
