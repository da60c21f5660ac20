#include "app/util/picture_order_count.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kLargest = std::numeric_limits<int64_t>::max();
constexpr int64_t kSmallest = std::numeric_limits<int64_t>::min();

// The counts of a long stream never come near the limits; a malformed one must not overflow.
int64_t Add(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? kLargest : kSmallest;
    return sum;
}

int64_t Multiply(int64_t a, int64_t b) {
    int64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return (a > 0) == (b > 0) ? kLargest : kSmallest;
    return product;
}

}  // namespace

void PictureOrderCounter::Reset() { *this = PictureOrderCounter(); }

PictureOrder PictureOrderCounter::Next(const H264SliceHeader& header, const H264Sps& sps) {
    PictureOrder order;
    order.restarts = header.idr || header.memoryManagementReset;
    int64_t msb = 0;
    int64_t frameNumOffset = 0;
    if (sps.picOrderCntType == 0) {
        msb = TypeZero(header, sps, order);
    } else {
        frameNumOffset = FrameNumOffset(header, sps);
        if (sps.picOrderCntType == 1) {
            TypeOne(header, sps, frameNumOffset, order);
        } else {
            TypeTwo(header, frameNumOffset, order);
        }
    }
    order.count = !header.fieldPic ? std::min(order.top, order.bottom) : header.bottomField ? order.bottom : order.top;
    if (header.memoryManagementReset) {
        // The picture is taken to have had count 0 and frame_num 0 from here on.
        order.top = Add(order.top, -order.count);
        order.bottom = Add(order.bottom, -order.count);
        order.count = 0;
    }
    if (sps.picOrderCntType == 0) {
        if (header.isReference()) {
            prevPicOrderCntMsb_ = header.memoryManagementReset ? 0 : msb;
            prevPicOrderCntLsb_ = !header.memoryManagementReset ? header.picOrderCntLsb
                                  : header.bottomField          ? 0
                                                                : order.top;
        }
    } else {
        prevFrameNumOffset_ = header.memoryManagementReset ? 0 : frameNumOffset;
        prevFrameNum_ = header.memoryManagementReset ? 0 : header.frameNum;
    }
    return order;
}

// pic_order_cnt_type 0: the count's low bits are in the header, its high bits follow the previous
// reference picture's, stepping when the low bits wrap. Returns PicOrderCntMsb.
int64_t PictureOrderCounter::TypeZero(const H264SliceHeader& header, const H264Sps& sps, PictureOrder& order) {
    const int64_t prevMsb = header.idr ? 0 : prevPicOrderCntMsb_;
    const int64_t prevLsb = header.idr ? 0 : prevPicOrderCntLsb_;
    const int64_t maxLsb = int64_t{1} << sps.log2MaxPicOrderCntLsb;
    const int64_t lsb = header.picOrderCntLsb;
    int64_t msb = prevMsb;
    if (lsb < prevLsb && prevLsb - lsb >= maxLsb / 2) {
        msb = Add(prevMsb, maxLsb);
    } else if (lsb > prevLsb && lsb - prevLsb > maxLsb / 2) {
        msb = Add(prevMsb, -maxLsb);
    }
    if (!header.bottomField) order.top = Add(msb, lsb);
    if (!header.fieldPic) {
        order.bottom = Add(order.top, header.deltaPicOrderCntBottom);
    } else if (header.bottomField) {
        order.bottom = Add(msb, lsb);
    }
    return msb;
}

// Types 1 and 2: frame_num counts on across its wraps.
int64_t PictureOrderCounter::FrameNumOffset(const H264SliceHeader& header, const H264Sps& sps) const {
    if (header.idr) return 0;
    if (prevFrameNum_ > static_cast<int64_t>(header.frameNum)) {
        return Add(prevFrameNumOffset_, int64_t{1} << sps.log2MaxFrameNum);
    }
    return prevFrameNumOffset_;
}

// pic_order_cnt_type 1: the count follows frame_num through the SPS's cycle of reference frame
// offsets, with the header's deltas on top.
void PictureOrderCounter::TypeOne(const H264SliceHeader& header, const H264Sps& sps, int64_t frameNumOffset,
                                  PictureOrder& order) const {
    const int cycleLength = sps.numRefFramesInPicOrderCntCycle;
    int64_t absFrameNum = cycleLength != 0 ? Add(frameNumOffset, header.frameNum) : 0;
    if (!header.isReference() && absFrameNum > 0) --absFrameNum;
    int64_t expected = 0;
    if (absFrameNum > 0) {
        int64_t deltaPerCycle = 0;
        for (int i = 0; i < cycleLength; ++i) deltaPerCycle += sps.offsetForRefFrame[i];
        const int64_t cycles = (absFrameNum - 1) / cycleLength;
        const int64_t inCycle = (absFrameNum - 1) % cycleLength;
        expected = Multiply(cycles, deltaPerCycle);
        for (int64_t i = 0; i <= inCycle; ++i) expected = Add(expected, sps.offsetForRefFrame[i]);
    }
    if (!header.isReference()) expected = Add(expected, sps.offsetForNonRefPic);
    if (!header.fieldPic) {
        order.top = Add(expected, header.deltaPicOrderCnt[0]);
        order.bottom = Add(Add(order.top, sps.offsetForTopToBottomField), header.deltaPicOrderCnt[1]);
    } else if (!header.bottomField) {
        order.top = Add(expected, header.deltaPicOrderCnt[0]);
    } else {
        order.bottom = Add(Add(expected, sps.offsetForTopToBottomField), header.deltaPicOrderCnt[0]);
    }
}

// pic_order_cnt_type 2: output order is decoding order; a non-reference picture comes just before
// the reference picture that follows it.
void PictureOrderCounter::TypeTwo(const H264SliceHeader& header, int64_t frameNumOffset, PictureOrder& order) const {
    int64_t count = 0;
    if (!header.idr) {
        count = Multiply(2, Add(frameNumOffset, header.frameNum));
        if (!header.isReference()) count = Add(count, -1);
    }
    if (!header.fieldPic || !header.bottomField) order.top = count;
    if (!header.fieldPic || header.bottomField) order.bottom = count;
}
