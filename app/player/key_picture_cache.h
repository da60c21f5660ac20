#pragma once
// What a camera view keeps of its stream so that a recording can begin at the latest key picture
// rather than wait for the next: the units since that key picture (its parameter sets, SEI and
// slices, and every unit after it, with the picture times between them), and the latest SPS and
// PPS seen. A key picture is one a decoder can begin at: an IDR picture, or one that carries a
// recovery point (the I picture of an open group of pictures, the start of an intra-refresh
// cycle), since many cameras send an IDR picture only when their stream starts. An IDR picture,
// once held, is kept until the next one (or the bound); a picture with a recovery point replaces
// any other key picture held. The units are held in one buffer whose capacity is kept: holding a
// unit costs one copy and, once the buffer has grown, no allocation. A group of pictures larger
// than the buffer is not held: nothing is then kept until the next key picture.
//
// Not thread-safe: its owner serialises every call.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class KeyPictureCache {
public:
    enum class Kind : uint8_t { kUnit, kTime };

    explicit KeyPictureCache(size_t maxBytes);

    // A NAL unit of the stream, without start code.
    void TakeUnit(const uint8_t* unit, size_t length);
    // The time of the picture whose units follow (its RTP timestamp).
    void TakeTime(uint32_t rtpTime);
    // Forgets the stream: what follows is another one.
    void Clear();

    // A key picture and what followed it are held.
    bool HoldsKeyPicture() const { return holdingKey_; }
    // The parameter sets in force at the key picture held, or, when none is held, the latest seen.
    const std::vector<uint8_t>& Sps() const { return holdingKey_ ? keySps_ : latestSps_; }
    const std::vector<uint8_t>& Pps() const { return holdingKey_ ? keyPps_ : latestPps_; }

    // Calls replay(kind, bytes, length) for everything held, in the order it came: from the key
    // picture on, or, when none is held, the part of the picture being received that is held.
    template <typename Visit>
    void Replay(Visit&& replay) const {
        for (size_t at = 0; at + kEntryHeader <= held_.size();) {
            uint32_t length = 0;
            std::memcpy(&length, &held_[at + 1], sizeof length);
            replay(static_cast<Kind>(held_[at]), held_.data() + at + kEntryHeader, static_cast<size_t>(length));
            at += kEntryHeader + length;
        }
    }

private:
    static constexpr size_t kEntryHeader = 1 + sizeof(uint32_t);  // kind, then the length

    void Append(Kind kind, const uint8_t* bytes, size_t length);
    // The picture being received begins here: what came before it is dropped unless a key picture
    // is held.
    void PictureBegins();
    // The picture being received is a key picture: it becomes the first one held.
    void KeyPictureBegins(bool idr);

    size_t maxBytes_;
    std::vector<uint8_t> held_;  // entries: kind, length (machine order), bytes
    size_t pictureStart_ = 0;    // where the picture being received begins in held_
    bool holdingKey_ = false;
    bool holdingIdr_ = false;  // the key picture held is an IDR picture
    bool sliceSincePictureStart_ = false;
    bool recoveryPointInPicture_ = false;  // an SEI of the picture being received has one
    std::vector<uint8_t> latestSps_;
    std::vector<uint8_t> latestPps_;
    std::vector<uint8_t> keySps_;
    std::vector<uint8_t> keyPps_;
};
