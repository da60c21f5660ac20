// Closes each picture (access unit) of the stream as soon as its last NAL unit is known, by an
// access unit delimiter (NAL unit type 9) right behind it. The RTP layer knows where a picture ends
// (the marker bit of its last packet); a receiver that sees only NAL units would otherwise have to
// wait for the next picture's first unit, a whole frame interval later, or for ever when the stream
// stalls. The delimiter is where the standard has the next access unit begin, so any H.264 receiver
// reads the stream as before, and one that gathers pictures can hand each on at once.
//
// Cameras that mark packets wrongly must not get their pictures cut: a marked unit that can only
// precede a picture (parameter sets, SEI) closes nothing, and once a picture's slices continue past
// a delimiter the stream's marks are not trusted any more.
#pragma once

#include <cstddef>
#include <cstdint>

namespace livevideo {

class AccessUnitCloser {
public:
    // nal_ref_idc 0, type 9; primary_pic_type 7 (any slice type may follow), then the stop bit.
    static constexpr uint8_t kDelimiter[] = {0x09, 0xF0};

    // Passes one NAL unit of the stream to deliver(nal, size), followed by a delimiter when it is
    // marked as the last of its picture. A camera's own delimiter right behind one of ours is
    // dropped: it opens the same access unit.
    template <typename Deliver>
    void pass(const uint8_t* nal, size_t size, bool marked, Deliver&& deliver) {
        const int type = nal[0] & 0x1F;
        if (closed_ && type == kNalTypeAccessUnitDelimiter) {
            closed_ = false;
            return;
        }
        if (closed_ && continuesPicture(type, nal, size)) {
            trusted_ = false;
        }
        deliver(nal, size);
        closed_ = trusted_ && marked && !precedesPicture(type);
        if (closed_) {
            deliver(kDelimiter, sizeof kDelimiter);
        }
    }

    // A new stream: nothing closed yet, and its marks are trusted.
    void reset() {
        closed_ = false;
        trusted_ = true;
    }

private:
    static constexpr int kNalTypeAccessUnitDelimiter = 9;

    // SEI, parameter sets, delimiters and the like: units that come before a picture's slices.
    static bool precedesPicture(int type) { return (type >= 6 && type <= 9) || (type >= 14 && type <= 18); }

    // A slice (or slice data partition A) other than its picture's first: first_mb_in_slice, the
    // first Exp-Golomb code after the NAL header, is 0 (the single bit 1) only in the first.
    static bool continuesPicture(int type, const uint8_t* nal, size_t size) {
        return (type == 1 || type == 2 || type == 5) && size >= 2 && (nal[1] & 0x80) == 0;
    }

    bool closed_ = false;  // the last unit handed on was a delimiter of ours
    bool trusted_ = true;  // the camera's marks have only ever fallen on a picture's end
};

}  // namespace livevideo
