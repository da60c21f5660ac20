#pragma once
// Works out the picture order count of each picture of an H.264 stream, in decoding order, as
// H.264 defines it for the three pic_order_cnt_types: the order in which a decoder shows the
// pictures. An IDR picture, or one whose reference marking holds operation 5, begins the order
// anew: every picture before it is shown before it and the ones after it.

#include "app/util/slice_header_reader.h"
#include "app/util/sps_parser.h"

#include <cstdint>

struct PictureOrder {
    int64_t top = 0;        // TopFieldOrderCnt (frames and top fields)
    int64_t bottom = 0;     // BottomFieldOrderCnt (frames and bottom fields)
    int64_t count = 0;      // the picture's own: the smaller of the two for a frame, the field's own
    bool restarts = false;  // the order begins anew with this picture
};

class PictureOrderCounter {
public:
    // The order of the next picture in decoding order, from its first slice's header and its SPS.
    // With operation 5 the counts are those after the reset (the picture's own count is then 0).
    PictureOrder Next(const H264SliceHeader& header, const H264Sps& sps);
    // Forgets the pictures before: the next one must be an IDR picture.
    void Reset();

private:
    int64_t TypeZero(const H264SliceHeader& header, const H264Sps& sps, PictureOrder& order);
    int64_t FrameNumOffset(const H264SliceHeader& header, const H264Sps& sps) const;
    void TypeOne(const H264SliceHeader& header, const H264Sps& sps, int64_t frameNumOffset, PictureOrder& order) const;
    void TypeTwo(const H264SliceHeader& header, int64_t frameNumOffset, PictureOrder& order) const;

    // The previous reference picture (type 0).
    int64_t prevPicOrderCntMsb_ = 0;
    int64_t prevPicOrderCntLsb_ = 0;
    // The previous picture (types 1 and 2).
    int64_t prevFrameNumOffset_ = 0;
    int64_t prevFrameNum_ = 0;
};
