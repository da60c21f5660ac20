#pragma once
// Puts the pictures a recording gathers (one MP4 sample each, in decoding order) together with
// what their order and timing depend on: each picture's first slice header read with the stream's
// parameter sets, its picture order count, and the two fields of a frame coded as separate
// pictures joined into one sample, as a file holds a frame.
//
// Not thread-safe; the owner serialises every call.

#include "app/player/mp4_sample_timeline.h"
#include "app/util/h264_parameter_sets.h"
#include "app/util/picture_order_count.h"
#include "app/util/slice_header_reader.h"

#include <cstdint>
#include <optional>
#include <vector>

class RecordedPictureOrder {
public:
    // Forgets the stream's parameter sets and pictures.
    void Reset();
    // An SPS or PPS of the stream, as it comes.
    void TakeParameterSet(const uint8_t* unit, int length) { sets_.Take(unit, length); }

    // One gathered picture: its sample (the units behind 4-byte lengths, taken by swapping), whether
    // it is a key picture, and its RTP time. Calls emit(bytes, picture, sps) with each whole frame
    // ready: this one, or the field held before it when this is not its second field; a first field
    // waits for its second. sps is the frame's SPS, or null when its slice header could not be read.
    template <typename Emit>
    void Take(std::vector<uint8_t>& sample, bool key, std::optional<uint32_t> time, Emit&& emit) {
        const Coded coded = Read(sample, key, time);
        if (pendingField_) {
            pendingField_ = false;
            if (PairsWithPending(coded)) {
                JoinSecondField(sample, coded);
                emit(pendingBytes_, pending_.picture, pending_.sps);
                return;
            }
            emit(pendingBytes_, pending_.picture, pending_.sps);
        }
        if (coded.read && coded.header.fieldPic) {
            pendingBytes_.swap(sample);
            pending_ = coded;
            pendingField_ = true;
            return;
        }
        emit(sample, coded.picture, coded.sps);
    }

    // No picture follows: a field still waiting for its second is emitted alone.
    template <typename Emit>
    void Finish(Emit&& emit) {
        if (!pendingField_) return;
        pendingField_ = false;
        emit(pendingBytes_, pending_.picture, pending_.sps);
    }

private:
    // A picture as coded: a frame or one field.
    struct Coded {
        bool read = false;  // its slice header was read
        H264SliceHeader header;
        PictureOrder order;
        const H264Sps* sps = nullptr;
        Mp4SampleTimeline::Picture picture;
    };

    Coded Read(const std::vector<uint8_t>& sample, bool key, std::optional<uint32_t> time);
    bool PairsWithPending(const Coded& second) const;
    void JoinSecondField(const std::vector<uint8_t>& sample, const Coded& second);

    H264ParameterSets sets_;
    PictureOrderCounter counter_;
    bool pendingField_ = false;
    Coded pending_;
    std::vector<uint8_t> pendingBytes_;
};
