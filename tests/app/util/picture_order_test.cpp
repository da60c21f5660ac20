// Slice headers and picture order counts of streams written bit by bit here (no encoder on the
// machine makes field pictures or memory management resets), and what an SPS says of reordering
// and timing, against the values H.264 defines.
#include "app/util/h264_parameter_sets.h"
#include "app/util/picture_order_count.h"
#include "app/util/slice_header_reader.h"
#include "app/util/sps_timing.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_bit_writer.h"
#include "tests/support/h264_stream_generator.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

namespace {

using test_support::H264BitWriter;
using Unit = std::vector<uint8_t>;

struct SpsShape {
    uint32_t profile = 77;
    uint32_t constraints = 0;
    uint32_t level = 30;
    uint32_t pocType = 0;
    int log2MaxFrameNum = 4;
    int log2MaxPocLsb = 5;
    bool frameMbsOnly = true;
    bool deltaAlwaysZero = true;
    int offsetNonRef = 0;
    int offsetTopToBottom = 0;
    std::vector<int> cycle;
    int widthMbs = 20;
    int heightMapUnits = 15;
    std::optional<std::vector<uint32_t>> timing;  // num_units_in_tick, time_scale, fixed_frame_rate_flag
    std::optional<uint32_t> reorderFrames;        // bitstream_restriction's max_num_reorder_frames
};

Unit MakeSps(const SpsShape& shape) {
    H264BitWriter w(0x67);
    w.Bits(shape.profile, 8).Bits(shape.constraints, 8).Bits(shape.level, 8).Ue(0);
    if (shape.profile == 100) w.Ue(1).Ue(0).Ue(0).Flag(false).Flag(false);
    w.Ue(shape.log2MaxFrameNum - 4).Ue(shape.pocType);
    if (shape.pocType == 0) w.Ue(shape.log2MaxPocLsb - 4);
    if (shape.pocType == 1) {
        w.Flag(shape.deltaAlwaysZero).Se(shape.offsetNonRef).Se(shape.offsetTopToBottom).Ue(shape.cycle.size());
        for (int offset : shape.cycle) w.Se(offset);
    }
    w.Ue(4).Flag(false).Ue(shape.widthMbs - 1).Ue(shape.heightMapUnits - 1).Flag(shape.frameMbsOnly);
    if (!shape.frameMbsOnly) w.Flag(false);
    w.Flag(true).Flag(false);
    const bool vui = shape.timing || shape.reorderFrames;
    w.Flag(vui);
    if (vui) {
        w.Flag(false).Flag(false).Flag(false).Flag(false).Flag(shape.timing.has_value());
        if (shape.timing) w.Bits((*shape.timing)[0], 32).Bits((*shape.timing)[1], 32).Flag((*shape.timing)[2] != 0);
        w.Flag(false).Flag(false).Flag(false).Flag(shape.reorderFrames.has_value());
        if (shape.reorderFrames) w.Flag(true).Ue(2).Ue(1).Ue(16).Ue(16).Ue(*shape.reorderFrames).Ue(4);
    }
    return w.Finish();
}

struct PpsShape {
    bool bottomFieldPicOrder = false;
    bool weightedPred = false;
    bool redundantPicCnt = false;
};

Unit MakePps(const PpsShape& shape = {}) {
    H264BitWriter w(0x68);
    w.Ue(0).Ue(0).Flag(false).Flag(shape.bottomFieldPicOrder).Ue(0).Ue(0).Ue(0).Flag(shape.weightedPred).Bits(0, 2);
    w.Se(0).Se(0).Se(0).Flag(true).Flag(false).Flag(shape.redundantPicCnt);
    return w.Finish();
}

enum Kind { kP = 0, kB = 1, kI = 2 };

struct SliceShape {
    Kind kind = kP;
    bool idr = false;
    int refIdc = 2;
    uint32_t frameNum = 0;
    int field = 0;  // 0 frame, 1 top field, 2 bottom field
    uint32_t lsb = 0;
    int deltaBottom = 0;
    int delta0 = 0;
    bool mmco5 = false;
    bool overrideRefs = false;     // num_ref_idx_active_override_flag, 3 and 2 references
    bool modifyList = false;       // a reference list modification
    bool otherOperations = false;  // memory management operations 1 and 3 before any 5
};

// Slice data follows the header: bytes that need escaping included.
Unit MakeSlice(const SpsShape& sps, const PpsShape& pps, const SliceShape& s) {
    H264BitWriter w(static_cast<uint8_t>(s.refIdc << 5 | (s.idr ? 5 : 1)));
    w.Ue(0).Ue(s.kind).Ue(0).Bits(s.frameNum, sps.log2MaxFrameNum);
    if (!sps.frameMbsOnly) {
        w.Flag(s.field != 0);
        if (s.field != 0) w.Flag(s.field == 2);
    }
    if (s.idr) w.Ue(1);
    if (sps.pocType == 0) {
        w.Bits(s.lsb, sps.log2MaxPocLsb);
        if (pps.bottomFieldPicOrder && s.field == 0) w.Se(s.deltaBottom);
    }
    if (sps.pocType == 1 && !sps.deltaAlwaysZero) {
        w.Se(s.delta0);
        if (pps.bottomFieldPicOrder && s.field == 0) w.Se(0);
    }
    if (pps.redundantPicCnt) w.Ue(0);
    if (s.kind == kB) w.Flag(true);
    if (s.kind != kI) {
        w.Flag(s.overrideRefs);
        if (s.overrideRefs) {
            w.Ue(2);
            if (s.kind == kB) w.Ue(1);
        }
        w.Flag(s.modifyList);
        if (s.modifyList) w.Ue(0).Ue(4).Ue(2).Ue(1).Ue(3);
        if (s.kind == kB) w.Flag(false);
    }
    if (pps.weightedPred && s.kind == kP) {
        w.Ue(5).Ue(5);
        const int refs = s.overrideRefs ? 3 : 1;
        for (int i = 0; i < refs; ++i) {
            w.Flag(true).Se(-3).Se(7).Flag(i == 0);
            if (i == 0) w.Se(1).Se(-1).Se(2).Se(0);
        }
    }
    if (s.refIdc != 0) {
        if (s.idr) {
            w.Bits(0, 2);
        } else {
            w.Flag(s.mmco5 || s.otherOperations);
            if (s.otherOperations) w.Ue(1).Ue(0).Ue(3).Ue(1).Ue(0);
            if (s.mmco5) w.Ue(5);
            if (s.mmco5 || s.otherOperations) w.Ue(0);
        }
    }
    return w.Finish({0x00, 0x00, 0x01, 0x9A, 0x00, 0x00, 0x00, 0x42});
}

H264ParameterSets Sets(const SpsShape& sps, const PpsShape& pps) {
    H264ParameterSets sets;
    const Unit s = MakeSps(sps), p = MakePps(pps);
    sets.Take(s.data(), static_cast<int>(s.size()));
    sets.Take(p.data(), static_cast<int>(p.size()));
    return sets;
}

TEST(SliceHeaderReader, ReadsTheFieldsThePictureOrderDependsOnWhateverComesBeforeThem) {
    SpsShape fields;
    fields.frameMbsOnly = false;
    const PpsShape everything{true, true, true};
    struct Case {
        const char* name;
        SpsShape sps;
        PpsShape pps;
        SliceShape slice;
    };
    const Case cases[] = {
        {"idr", {}, {}, {kI, true, 3, 0, 0, 17}},
        {"weighted P, three references, list modified",
         {},
         everything,
         {kP, false, 2, 9, 0, 6, -2, 0, false, true, true}},
        {"B with overridden lists and operations 1, 3 and 5",
         {},
         everything,
         {kB, false, 1, 3, 0, 30, 5, 0, true, true, true, true}},
        {"non-reference bottom field", fields, everything, {kB, false, 0, 15, 2, 31}},
        {"top field resetting", fields, {}, {kP, false, 1, 2, 1, 8, 0, 0, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const H264ParameterSets sets = Sets(c.sps, c.pps);
        const Unit slice = MakeSlice(c.sps, c.pps, c.slice);
        H264SliceHeader h;
        ASSERT_EQ(ReadSliceHeader(slice.data(), static_cast<int>(slice.size()), sets, &h), 0);
        EXPECT_EQ(h.idr, c.slice.idr);
        EXPECT_EQ(h.nalRefIdc, c.slice.refIdc);
        EXPECT_EQ(h.sliceType, static_cast<uint32_t>(c.slice.kind));
        EXPECT_EQ(h.frameNum, c.slice.frameNum);
        EXPECT_EQ((std::vector<bool>{h.fieldPic, h.bottomField}),
                  (std::vector<bool>{c.slice.field != 0, c.slice.field == 2}));
        EXPECT_EQ(h.picOrderCntLsb, c.slice.lsb);
        EXPECT_EQ(h.deltaPicOrderCntBottom, c.slice.field == 0 && c.pps.bottomFieldPicOrder ? c.slice.deltaBottom : 0);
        EXPECT_EQ(h.memoryManagementReset, c.slice.mmco5);
    }
}

TEST(SliceHeaderReader, RefusesWhatIsNoSliceIsCutOffOrNamesAnUnknownParameterSet) {
    const SpsShape sps;
    const PpsShape pps;
    const H264ParameterSets sets = Sets(sps, pps);
    const Unit slice = MakeSlice(sps, pps, {kP, false, 2, 3, 0, 4, 0, 0, true});
    H264SliceHeader h;
    const Unit spsUnit = MakeSps(sps);
    EXPECT_EQ(ReadSliceHeader(spsUnit.data(), static_cast<int>(spsUnit.size()), sets, &h), -1);
    EXPECT_EQ(ReadSliceHeader(slice.data(), 3, sets, &h), -1);  // cut inside the header
    EXPECT_EQ(ReadSliceHeader(slice.data(), static_cast<int>(slice.size()), H264ParameterSets(), &h), -1);
    const Unit otherPps = H264BitWriter(0x41).Ue(0).Ue(0).Ue(1).Finish();  // pic_parameter_set_id 1
    EXPECT_EQ(ReadSliceHeader(otherPps.data(), static_cast<int>(otherPps.size()), sets, &h), -1);
}

struct OrderCase {
    const char* name;
    SpsShape sps;
    PpsShape pps;
    std::vector<SliceShape> slices;  // in decoding order
    std::vector<int64_t> counts;
    std::vector<bool> restarts;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class PictureOrderCount : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PictureOrderCount, FollowsTheStandardForEachTypeFieldsAndResets) {
    const OrderCase& c = GetParam();
    const H264ParameterSets sets = Sets(c.sps, c.pps);
    PictureOrderCounter counter;
    std::vector<int64_t> counts;
    std::vector<bool> restarts;
    for (const SliceShape& shape : c.slices) {
        const Unit slice = MakeSlice(c.sps, c.pps, shape);
        H264SliceHeader h;
        ASSERT_EQ(ReadSliceHeader(slice.data(), static_cast<int>(slice.size()), sets, &h), 0);
        const PictureOrder order = counter.Next(h, *sets.Sps(0));
        counts.push_back(order.count);
        restarts.push_back(order.restarts);
    }
    EXPECT_EQ(counts, c.counts);
    if (!c.restarts.empty()) {
        EXPECT_EQ(restarts, c.restarts);
    }
}

SliceShape Frame(Kind kind, int refIdc, uint32_t frameNum, uint32_t lsb, bool idr = false) {
    SliceShape s;
    s.kind = kind;
    s.refIdc = refIdc;
    s.frameNum = frameNum;
    s.lsb = lsb;
    s.idr = idr;
    return s;
}

SliceShape Field(Kind kind, int refIdc, uint32_t frameNum, bool bottom, uint32_t lsb, bool idr = false) {
    SliceShape s = Frame(kind, refIdc, frameNum, lsb, idr);
    s.field = bottom ? 2 : 1;
    return s;
}

SliceShape Resetting(SliceShape s) {
    s.mmco5 = true;
    return s;
}

SpsShape Shape(uint32_t pocType, bool frameMbsOnly = true) {
    SpsShape s;
    s.pocType = pocType;
    s.frameMbsOnly = frameMbsOnly;
    return s;
}

SpsShape TypeOne() {
    SpsShape s = Shape(1);
    s.offsetNonRef = -2;
    s.cycle = {2, 6};
    return s;
}

const OrderCase kOrderCases[] = {
    // B pyramid in groups of four; the 5-bit low part wraps at 32 and its high part follows.
    {"TypeZeroPyramidWrapping",
     Shape(0),
     {},
     {Frame(kI, 3, 0, 0, true), Frame(kP, 2, 1, 8), Frame(kB, 2, 2, 4), Frame(kB, 0, 3, 2), Frame(kB, 0, 3, 6),
      Frame(kP, 2, 3, 16), Frame(kB, 2, 4, 12), Frame(kB, 0, 5, 10), Frame(kB, 0, 5, 14), Frame(kP, 2, 5, 24),
      Frame(kB, 2, 6, 20), Frame(kB, 0, 7, 18), Frame(kB, 0, 7, 22), Frame(kP, 2, 7, 0), Frame(kB, 2, 8, 28),
      Frame(kB, 0, 9, 26)},
     {0, 8, 4, 2, 6, 16, 12, 10, 14, 24, 20, 18, 22, 32, 28, 26},
     {true, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false}},
    {"TypeZeroFramesWithABottomDelta",
     Shape(0),
     {true},
     {Frame(kI, 3, 0, 0, true),
      [] {
          SliceShape s = Frame(kP, 2, 1, 4);
          s.deltaBottom = -1;
          return s;
      }()},
     {0, 3},
     {}},
    // A frame coded as two fields (PAFF): an IDR top field, its bottom field, and so on.
    {"TypeZeroFieldPairs",
     Shape(0, false),
     {},
     {Field(kI, 3, 0, false, 0, true), Field(kP, 2, 0, true, 1), Field(kP, 2, 1, false, 8), Field(kP, 2, 1, true, 9),
      Field(kB, 0, 2, false, 4), Field(kB, 0, 2, true, 5)},
     {0, 1, 8, 9, 4, 5},
     {true, false, false, false, false, false}},
    {"TypeOneCycle",
     TypeOne(),
     {},
     {Frame(kI, 3, 0, 0, true), Frame(kP, 2, 1, 0), Frame(kP, 2, 2, 0), Frame(kB, 0, 3, 0), Frame(kP, 2, 3, 0)},
     {0, 2, 8, 6, 10},
     {}},
    // frame_num wraps at 16 and the count goes on.
    {"TypeTwoWrapping",
     Shape(2),
     {},
     {Frame(kI, 3, 0, 0, true), Frame(kP, 2, 1, 0), Frame(kP, 0, 2, 0), Frame(kP, 2, 2, 0), Frame(kP, 2, 15, 0),
      Frame(kP, 2, 0, 0), Frame(kP, 2, 1, 0)},
     {0, 2, 3, 4, 30, 32, 34},
     {}},
    // Operation 5 makes the picture's own count 0 and the next ones follow from there.
    {"TypeZeroReset",
     Shape(0),
     {},
     {Frame(kI, 3, 0, 0, true), Frame(kP, 2, 1, 4), Resetting(Frame(kP, 2, 2, 8)), Frame(kP, 2, 1, 2),
      Frame(kB, 0, 2, 1)},
     {0, 4, 0, 2, 1},
     {true, false, true, false, false}},
    // Reset on a bottom field: the next reference counts from 0, not from the field's own count.
    {"TypeZeroResetOnABottomField",
     Shape(0, false),
     {},
     {Field(kI, 3, 0, false, 0, true), Resetting(Field(kP, 2, 0, true, 6)), Field(kP, 2, 1, false, 2)},
     {0, 0, 2},
     {true, true, false}},
    {"TypeTwoReset",
     Shape(2),
     {},
     {Frame(kI, 3, 0, 0, true), Frame(kP, 2, 1, 0), Resetting(Frame(kP, 2, 2, 0)), Frame(kP, 2, 1, 0)},
     {0, 2, 0, 2},
     {true, false, true, false}},
    {"TypeOneReset",
     TypeOne(),
     {},
     {Frame(kI, 3, 0, 0, true), Frame(kP, 2, 1, 0), Resetting(Frame(kP, 2, 2, 0)), Frame(kP, 2, 1, 0)},
     {0, 2, 0, 2},
     {true, false, true, false}},
};

INSTANTIATE_TEST_SUITE_P(Streams, PictureOrderCount, ::testing::ValuesIn(kOrderCases),
                         [](const ::testing::TestParamInfo<OrderCase>& c) { return c.param.name; });

H264Sps ParsedSps(const Unit& unit) {
    H264Sps sps;
    SpsBitReader reader = MakeSpsBitReader(unit.data(), static_cast<int>(unit.size()));
    EXPECT_GE(ParseSequenceParameterSet(&reader, &sps), 0);
    return sps;
}

TEST(SpsTiming, ReorderDepthIsTheVuisOrWhatTheProfileLevelAndSizeAllow) {
    struct Case {
        const char* name;
        SpsShape shape;
        int depth;
    };
    SpsShape hd;
    hd.level = 40;
    hd.widthMbs = 120;
    hd.heightMapUnits = 68;
    SpsShape small;  // level 3: 8100 macroblocks, 300 a picture
    SpsShape baseline;
    baseline.profile = 66;
    SpsShape orderTwo = Shape(2);
    SpsShape intra;
    intra.profile = 100;
    intra.constraints = 0x10;
    SpsShape restricted = hd;
    restricted.reorderFrames = 2;
    SpsShape restrictedBeyond = hd;
    restrictedBeyond.reorderFrames = 40;
    for (const Case& c :
         {Case{"1080p at level 4", hd, 4}, Case{"small at level 3", small, 16}, Case{"baseline", baseline, 0},
          Case{"pic_order_cnt_type 2", orderTwo, 0}, Case{"high intra", intra, 0}, Case{"vui", restricted, 2},
          Case{"vui beyond the standard", restrictedBeyond, 16}}) {
        EXPECT_EQ(ReorderDepth(ParsedSps(MakeSps(c.shape))), c.depth) << c.name;
    }
}

TEST(SpsTiming, FrameDurationIsTwoTicksOfTheVuisClock) {
    struct Case {
        std::optional<std::vector<uint32_t>> timing;
        std::optional<int64_t> duration;
        bool fixed;
    };
    for (const Case& c :
         {Case{std::vector<uint32_t>{1, 60, 1}, 3000, true}, Case{std::vector<uint32_t>{1001, 60000, 1}, 3003, true},
          Case{std::vector<uint32_t>{1, 50, 0}, 3600, false}, Case{std::vector<uint32_t>{1, 0, 1}, {}, true},
          Case{{}, {}, false}}) {
        SpsShape shape;
        shape.timing = c.timing;
        const H264Sps sps = ParsedSps(MakeSps(shape));
        EXPECT_EQ(FrameDuration(sps, 90000), c.duration);
        EXPECT_EQ(sps.vui.fixedFrameRate, c.fixed);
    }
}

// What x264 writes: a B pyramid needs two pictures of reordering, and 25 pictures a second (as the
// finest step: FFmpeg has x264 leave fixed_frame_rate_flag clear).
TEST(SpsTiming, ReadsTheVuiOfARealEncoder) {
    for (const auto& [params, depth] :
         {std::pair<const char*, int>{"bframes=3:b-pyramid=normal", 2},
          std::pair<const char*, int>{"bframes=2:b-pyramid=none", 1}, std::pair<const char*, int>{"bframes=0", 0}}) {
        const auto units = test_support::SplitAnnexB(
            test_support::MakeH264Stream(test_support::StreamOptions(64, 48, 2, "high", params)));
        ASSERT_FALSE(units.empty());
        ASSERT_EQ(test_support::NalType(units[0]), 7);
        const H264Sps sps = ParsedSps(units[0]);
        EXPECT_EQ(ReorderDepth(sps), depth) << params;
        EXPECT_EQ(FrameDuration(sps, 90000), 3600) << params;
    }
}

}  // namespace
