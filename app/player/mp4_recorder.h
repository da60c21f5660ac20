#pragma once
// A camera view's recording: the live H.264 stream copied unchanged into an MP4 file. A recording
// waits for the stream's next SPS and PPS, adds the video track with them, and writes one sample per
// picture from the first key picture on, until it is stopped.
//
// Threads: Start and Stop run on the page's thread, TakeNalUnit on the RTSP source's thread. They
// share one lock, so no sample is written to a file that is being closed. A sample the file cannot
// take ends the recording: the file is closed with what it holds and the failure is logged.

#include "app/player/mp4_file_writer.h"
#include "app/player/mp4_sample_assembler.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class Mp4Recorder {
public:
    Mp4Recorder();
    ~Mp4Recorder() { Stop(); }
    Mp4Recorder(const Mp4Recorder&) = delete;
    Mp4Recorder& operator=(const Mp4Recorder&) = delete;

    // Creates the file (named in the ANSI code page) for pictures of width by height. 0 when the
    // recording has begun; -1 when one is already running or the file cannot be created.
    int Start(const char* ansiFileName, int width, int height);
    // Ends any recording and finishes its file; always safe.
    void Stop();
    bool recording() const { return recording_; }

    // One NAL unit of the stream, without start code.
    void TakeNalUnit(const uint8_t* unit, int length);

private:
    void KeepParameterSet(std::vector<uint8_t>& copy, bool& seen, const uint8_t* unit, int length);
    void AddVideoTrack();
    void WritePicture();
    void EndRecording();

    std::mutex lock_;
    // Set and cleared under the lock; read without it by the intake to skip the lock while idle.
    std::atomic<bool> recording_{false};
    // The rest under the lock.
    Mp4FileWriter file_;
    std::vector<uint8_t> sps_;  // the first SPS since the recording began
    std::vector<uint8_t> pps_;  // the first PPS since the recording began
    bool spsSeen_ = false;
    bool ppsSeen_ = false;
    bool trackAdded_ = false;
    bool waitingForKey_ = true;  // no picture is written before a key picture
    int width_ = 0;
    int height_ = 0;
    Mp4SampleAssembler assembler_;
};
