#pragma once
// Gathers H.264 NAL units, as a camera delivers them one by one, into whole pictures (access units)
// for the codec. FFmpeg's H.264 decoder needs every slice of a picture in one packet: a picture made
// of several slices fed slice by slice decodes wrongly or slowly.
//
// A picture is complete when a unit arrives that can only open the next one: the RTSP source closes
// every picture with an access unit delimiter right behind its last slice, so the picture leaves as
// soon as it is whole. Without delimiters (a camera that does not mark its pictures' ends), the next
// picture's first unit, or an end of sequence or end of stream unit, completes it.

#include <cstddef>
#include <cstdint>
#include <vector>

class AccessUnitAssembler {
public:
    // maxPictureBytes bounds the memory one picture may take; a larger picture is dropped whole.
    explicit AccessUnitAssembler(size_t maxPictureBytes);

    // Adds one NAL unit, with or without its Annex B start code. Returns true when a picture was
    // completed by it; that picture stays readable through PictureData/PictureSize until the next
    // call of Add or Reset.
    bool Add(const uint8_t* unit, size_t length);

    // Annex B bytes of the completed picture, followed by the zero padding the codec reads ahead into.
    const uint8_t* PictureData() const { return ready_.data(); }
    size_t PictureSize() const { return readySize_; }

    // Forgets everything gathered, e.g. when the stream is restarted.
    void Reset();

private:
    bool StartsNewPicture(int nalType, const uint8_t* payload, size_t payloadLength);
    void Append(const uint8_t* unit, size_t length);
    void CompletePicture();

    size_t maxPictureBytes_;
    std::vector<uint8_t> gathering_;  // Annex B bytes of the picture being gathered
    std::vector<uint8_t> ready_;      // the completed picture plus padding
    size_t readySize_ = 0;
    bool hasSlice_ = false;     // the gathered picture holds at least one slice
    bool overflowed_ = false;   // the gathered picture was too large and is being skipped
    int64_t lastFirstMb_ = -1;  // first_mb_in_slice of the last slice gathered
};
