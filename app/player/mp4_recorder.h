#pragma once
// A camera view's recording: the live H.264 stream copied unchanged into an MP4 file, one sample
// per frame, each with the times that show the frames in the stream's order at its own pace.
//
// The recorder sees the whole stream, recording or not, and keeps the units since the latest key
// picture and the latest parameter sets (KeyPictureCache). A recording begins at the key picture
// still held, or else at the next one, and its track takes the parameter sets in force there, from
// the stream or, when it carries none in band, those seen before. A key picture is an IDR picture
// or one with a recovery point; a recording that begins at the latter leaves out the pictures
// shown before it, and its pictures are whole from the recovery point's count of frames on (the
// rest of an intra-refresh cycle), where decoders begin to show them.
//
// Threads: Start and Stop run on the page's thread, TakeNalUnit and TakePictureTime on the RTSP
// source's thread. One lock covers the units held and the file, so a recording replays what is held
// and goes on with the live units with none lost or taken twice, and no sample is written to a
// file that is being closed. A sample the file cannot take ends the recording: the file is closed
// with what it holds and the failure is logged.

#include "app/player/key_picture_cache.h"
#include "app/player/mp4_file_writer.h"
#include "app/player/mp4_sample_assembler.h"
#include "app/player/mp4_sample_timeline.h"
#include "app/player/recorded_picture_order.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
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

    // One NAL unit of the stream, without start code; every unit, recording or not.
    void TakeNalUnit(const uint8_t* unit, int length);
    // The RTP time (90 kHz) of the picture whose units follow.
    void TakePictureTime(uint32_t rtpTime);
    // A new stream begins: nothing of the one before is kept for a recording.
    void ForgetStream();

private:
    // What the recording does with the stream, under the lock.
    void RecordUnit(const uint8_t* unit, size_t length);
    void RecordTime(uint32_t rtpTime);
    void TakePicture(std::vector<uint8_t>& sample, bool key, std::optional<uint32_t> time);
    void TakeFrame(std::vector<uint8_t>& bytes, const Mp4SampleTimeline::Picture& picture, const H264Sps* sps);
    bool AddVideoTrack(const H264Sps* sps);
    void WriteReady();
    void EndRecording();

    std::mutex lock_;
    // Set and cleared under the lock; read without it by the page.
    std::atomic<bool> recording_{false};
    // The rest under the lock.
    KeyPictureCache held_;
    Mp4FileWriter file_;
    std::vector<uint8_t> sps_;  // the parameter sets in force, for the track
    std::vector<uint8_t> pps_;
    bool trackAdded_ = false;
    bool waitingForKey_ = true;  // no picture is written before a key picture
    // The order count of the key picture the recording began at, while pictures shown before it
    // are left out.
    std::optional<int64_t> firstOrder_;
    int width_ = 0;
    int height_ = 0;
    std::optional<uint32_t> time_;          // of the units that come now
    std::optional<uint32_t> gatheredTime_;  // of the picture being gathered
    Mp4SampleAssembler assembler_;
    std::vector<uint8_t> sample_;                  // the picture completed last, taken from the assembler
    std::unique_ptr<RecordedPictureOrder> order_;  // large: the stream's parameter sets by id
    Mp4SampleTimeline timeline_;
};
