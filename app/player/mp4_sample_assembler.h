#pragma once
// Gathers the H.264 NAL units of a camera, as they arrive one by one without start codes, into MP4
// samples: one sample per picture (all the NAL units of one access unit, SEI and every slice), each
// unit behind its length as a 4-byte big-endian number. Access-unit delimiters, SPS and PPS are
// not part of a sample: the parameter sets travel in the track's decoder configuration.
//
// The RTSP source closes every picture with an access-unit delimiter right behind its last slice,
// so a picture is complete as soon as it is whole. Without one, a unit that can only open the next
// picture (SEI, SPS or PPS after a slice, or a slice that starts again at the first macroblock)
// completes it.

#include <cstddef>
#include <cstdint>
#include <vector>

class Mp4SampleAssembler {
public:
    enum class Result {
        kGathering,  // nothing completed by this unit
        kPicture,    // a picture was completed: Sample()/SampleSize()/IsKey() until the next Add
        kDropped,    // a picture was completed but was larger than the bound and is lost
    };

    // maxSampleBytes bounds the memory one picture may take.
    explicit Mp4SampleAssembler(size_t maxSampleBytes);

    Result Add(const uint8_t* unit, size_t length);
    // Forgets everything gathered.
    void Reset();

    const uint8_t* Sample() const { return ready_.data(); }
    size_t SampleSize() const { return ready_.size(); }
    // Hands the completed picture's bytes over by swapping them with other, whose buffer the
    // assembler reuses.
    void SwapSample(std::vector<uint8_t>& other) { ready_.swap(other); }
    // A picture is being gathered: a unit of it has come.
    bool Gathering() const { return hasSlice_ || overflowed_ || !gathering_.empty(); }
    // A key picture, where decoding can begin: the picture holds an IDR slice, or an SEI with a
    // recovery point (the I picture of an open group of pictures, the start of an intra-refresh
    // cycle).
    bool IsKey() const { return readyKey_; }

private:
    bool CompletesPicture(int nalType, const uint8_t* unit, size_t length) const;
    Result Complete();

    size_t maxSampleBytes_;
    std::vector<uint8_t> gathering_;
    std::vector<uint8_t> ready_;
    bool readyKey_ = false;
    bool hasSlice_ = false;
    bool key_ = false;
    bool overflowed_ = false;
};
