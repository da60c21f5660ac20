#pragma once
// One MP4 file holding one H.264 video track, written with libavformat's MP4 muxer without decoding
// or re-encoding: each sample is one picture as the camera coded it, its NAL units each behind a
// 4-byte big-endian length. The file is fragmented (an empty movie header first, then a fragment
// per picture, written out as soon as the picture is), so a file cut off at any moment, by a killed
// process or a pulled plug, still opens with every picture but the one being written.
//
// Time scale 90000; each sample carries the decoding time, presentation time and duration its
// writer gives it (composition offsets for pictures shown in another order than they are decoded).
// Used by one thread at a time.

#include "app/player/ffmpeg_mux_owners.h"
#include "app/player/ffmpeg_owners.h"
#include "app/util/file_owner.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class Mp4FileWriter {
public:
    static constexpr int kTimeScale = 90000;

    Mp4FileWriter() = default;
    ~Mp4FileWriter() { Finish(); }
    Mp4FileWriter(const Mp4FileWriter&) = delete;
    Mp4FileWriter& operator=(const Mp4FileWriter&) = delete;

    // Creates the file, named in the ANSI code page, and sets up the muxer. False when either
    // fails; nothing is left open then.
    bool Create(const char* ansiName);
    // Adds the video track of the picture size with the SPS and PPS (NAL units without start code)
    // as its decoder configuration, the profile and level taken from the SPS, and writes the
    // file's header. False when the muxer refuses it or the parameter sets cannot be carried.
    bool AddVideoTrack(int width, int height, const std::vector<uint8_t>& sps, const std::vector<uint8_t>& pps);
    // Writes one picture; sync marks a key picture. Times are in ticks of the time scale: dts grows
    // from sample to sample and pts is never below it. 0, or FFmpeg's negative error code when the
    // file could not take it.
    int WriteSample(const uint8_t* data, size_t size, bool sync, int64_t dts, int64_t pts, int64_t duration);
    // Ends the file (the pending fragment and the index, when the track was added; else a movie
    // without tracks) and closes it. 0 when everything reached the file; -1 otherwise or when
    // nothing was open.
    int Finish();

    bool IsOpen() const { return file_ != nullptr; }
    int64_t samples() const { return samples_; }

private:
    // The muxer's way to the file: every block goes straight to the operating system, so that a
    // fragment is in the file as soon as the muxer has written it.
    static int WriteToFile(void* opaque, uint8_t* data, int size);
    void Close();

    FileOwner file_;
    IoContextPtr io_;
    FormatContextPtr format_;  // refers to io_; freed first
    PacketPtr packet_;
    AVStream* stream_ = nullptr;  // owned by format_
    bool headerWritten_ = false;
    int64_t samples_ = 0;
};
