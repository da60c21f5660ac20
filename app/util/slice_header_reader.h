#pragma once
// Reads the header of an H.264 slice (NAL unit type 1 or 5) as far as the order of the stream's
// pictures depends on it: which picture it belongs to (frame_num, field or frame), its picture
// order count fields, and whether its reference picture marking resets the order
// (memory_management_control_operation 5). The slice data is not read.

#include "app/util/h264_parameter_sets.h"

#include <cstdint>

struct H264SliceHeader {
    int nalRefIdc = 0;
    bool idr = false;
    uint32_t firstMbInSlice = 0;
    uint32_t sliceType = 0;  // 0 P, 1 B, 2 I, 3 SP, 4 SI
    int ppsId = 0;
    uint32_t frameNum = 0;
    bool fieldPic = false;
    bool bottomField = false;
    uint32_t idrPicId = 0;
    uint32_t picOrderCntLsb = 0;
    int64_t deltaPicOrderCntBottom = 0;
    int64_t deltaPicOrderCnt[2] = {0, 0};
    bool memoryManagementReset = false;  // memory_management_control_operation 5

    bool isReference() const { return nalRefIdc != 0; }
};

// Reads the slice header of a NAL unit without start code, with the parameter sets it refers to.
// 0 on success; -1 when the unit is not a slice, is cut off or malformed, or refers to a parameter
// set that is not there. header is written only on success.
int ReadSliceHeader(const uint8_t* unit, int length, const H264ParameterSets& sets, H264SliceHeader* header);
