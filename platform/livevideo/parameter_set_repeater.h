// Keeps the stream's sequence and picture parameter sets (SPS, PPS) and puts them in front of the
// NAL units where a receiver needs them: first the ones of the session description, and again
// before every key frame (IDR picture) that arrives without them. A receiver that starts late, or a
// camera that sends its parameter sets only once, still gets a decodable picture at each key frame.
// The stream's own parameter sets always reach the receiver in front of a key frame; only a copy of
// a set given since the last picture is left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace livevideo {

class ParameterSetRepeater {
public:
    static constexpr int kNalTypeSlice = 1;
    static constexpr int kNalTypeIdr = 5;
    static constexpr int kNalTypeSps = 7;
    static constexpr int kNalTypePps = 8;

    // Forgets every parameter set.
    void reset();

    // Keeps one parameter set of the session description (sprop-parameter-sets); other units are
    // ignored.
    void add(const uint8_t* nal, size_t size);

    // Calls deliver(nal, size) for each kept SPS, then each kept PPS: the start of a stream.
    template <typename Deliver>
    void start(Deliver&& deliver) {
        deliverKept(deliver);
        spsSincePicture_ = !sps_.empty();
        ppsSincePicture_ = !pps_.empty();
    }

    // Passes one NAL unit of the stream to deliver(nal, size), preceded by the kept parameter sets
    // when it starts a key frame that came without them. A parameter set the receiver has been
    // given since the last picture (for the coming key frame) is not given twice; one given before
    // a picture was used up by it.
    template <typename Deliver>
    void pass(const uint8_t* nal, size_t size, Deliver&& deliver) {
        switch (nal[0] & 0x1F) {
            case kNalTypeSps:
                if (std::exchange(spsSincePicture_, true) && isKept(sps_, nal, size)) {
                    return;
                }
                keep(sps_, nal, size);
                break;
            case kNalTypePps:
                if (std::exchange(ppsSincePicture_, true) && isKept(pps_, nal, size)) {
                    return;
                }
                keep(pps_, nal, size);
                break;
            case kNalTypeIdr:
                if (startsPicture(nal, size)) {
                    if (!spsSincePicture_ || !ppsSincePicture_) {
                        deliverKept(deliver);
                    }
                    spsSincePicture_ = false;
                    ppsSincePicture_ = false;
                }
                break;
            case kNalTypeSlice:
                // A stream joined between key frames: the sets given at its start served the
                // pictures before the key frame, which needs its own again.
                spsSincePicture_ = false;
                ppsSincePicture_ = false;
                break;
            default:
                break;
        }
        deliver(nal, size);
    }

private:
    using Set = std::vector<uint8_t>;

    template <typename Deliver>
    void deliverKept(Deliver& deliver) const {
        for (const Set& set : sps_) {
            deliver(set.data(), set.size());
        }
        for (const Set& set : pps_) {
            deliver(set.data(), set.size());
        }
    }

    // first_mb_in_slice is 0 (its Exp-Golomb code is the single bit 1) only in a picture's first slice.
    static bool startsPicture(const uint8_t* nal, size_t size) { return size >= 2 && (nal[1] & 0x80) != 0; }

    // An in-band parameter set replaces the kept ones of its kind: it is the one the camera uses now.
    static void keep(std::vector<Set>& kept, const uint8_t* nal, size_t size);
    // The kept set of its kind is this one, and the only one.
    static bool isKept(const std::vector<Set>& kept, const uint8_t* nal, size_t size);

    std::vector<Set> sps_;
    std::vector<Set> pps_;
    bool spsSincePicture_ = false;
    bool ppsSincePicture_ = false;
};

}  // namespace livevideo
