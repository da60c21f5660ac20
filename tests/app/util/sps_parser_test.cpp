#include "app/util/sps_parser.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <vector>

namespace {

using test_support::StreamOptions;

struct SpsResult {
    int id = -100, width = 0, height = 0;
};

SpsResult Parse(const std::vector<uint8_t>& bytes) {
    SpsResult r;
    SpsBitReader reader = MakeSpsBitReader(bytes.data(), static_cast<int>(bytes.size()));
    r.id = ParseSps(&reader, &r.width, &r.height);
    return r;
}

std::vector<uint8_t> EncodedUnit(const test_support::H264StreamOptions& options, int type = 7) {
    for (const auto& unit : test_support::SplitAnnexB(test_support::MakeH264Stream(options))) {
        if (test_support::NalType(unit) == type) return unit;
    }
    return {};
}

// Writes a Baseline SPS field by field through the cropping fields, with the emulation-prevention
// bytes an encoder would add.
struct SpsWriter {
    // NAL header, profile 66, level 30, id 0, log2_max_frame_num_minus4 0.
    SpsWriter() { Bits(0x6742001E, 32).Ue(0).Ue(0); }
    SpsWriter& Bits(uint64_t value, int n) {
        for (int i = n - 1; i >= 0; --i) bits_.push_back((value >> i) & 1);
        return *this;
    }
    SpsWriter& Ue(uint64_t value) {
        const int length = std::bit_width(value + 1) - 1;
        return Bits(0, length).Bits(value + 1, length + 1);
    }
    // After what the caller wrote for the picture order count: refs, gaps, size, the frame/field
    // flags and the cropping (left, right, top, bottom) when given.
    std::vector<uint8_t> Finish(uint64_t widthMbsMinus1, uint64_t heightMapUnitsMinus1, bool frameMbsOnly = true,
                                std::vector<uint64_t> crop = {}) {
        Ue(1).Bits(0, 1).Ue(widthMbsMinus1).Ue(heightMapUnitsMinus1).Bits(frameMbsOnly, 1);
        if (!frameMbsOnly) Bits(0, 1);  // mb_adaptive_frame_field_flag
        Bits(1, 1).Bits(!crop.empty(), 1);
        for (uint64_t offset : crop) Ue(offset);
        Bits(0, 1).Bits(1, 1);  // no VUI, stop bit
        std::vector<uint8_t> out;
        int zeros = 0;
        for (size_t i = 0; i < bits_.size(); i += 8) {
            uint8_t byte = 0;
            for (size_t j = i; j < i + 8; ++j) byte = static_cast<uint8_t>(byte << 1 | (j < bits_.size() && bits_[j]));
            if (zeros >= 2 && byte <= 3) out.push_back(3), zeros = 0;
            out.push_back(byte);
            zeros = byte == 0 ? zeros + 1 : 0;
        }
        return out;
    }
    std::vector<int> bits_;
};

SpsPictureSize PictureSize(const std::vector<uint8_t>& bytes) {
    SpsPictureSize size;
    GetPictureSizeFromSps(bytes.data(), static_cast<int>(bytes.size()), &size);
    return size;
}

std::vector<int> Sides(const SpsPictureSize& size) {
    return {size.codedWidth, size.codedHeight, size.cropLeft, size.cropRight, size.cropTop, size.cropBottom};
}

// The coded size, and the size a camera's pictures come out of the decoder with: the coded size
// less the cropping, whatever the profile, the scaling lists, the scan and the height's distance
// from a whole macroblock row.
TEST(SpsParser, ReadsTheCodedSizeAndTheCroppingOfEveryProfileScanAndScalingList) {
    const struct {
        test_support::H264StreamOptions options;
        std::vector<int> sides;  // coded width, coded height, crop left, right, top, bottom
    } cases[] = {
        {StreamOptions(320, 240, 1, "baseline"), {320, 240, 0, 0, 0, 0}},
        {StreamOptions(640, 360, 1, "baseline"), {640, 368, 0, 0, 0, 8}},
        {StreamOptions(330, 250, 1, "main"), {336, 256, 0, 6, 0, 6}},
        {StreamOptions(640, 360, 1, "high"), {640, 368, 0, 0, 0, 8}},
        {StreamOptions(1920, 1080, 1, "high"), {1920, 1088, 0, 0, 0, 8}},
        {StreamOptions(176, 144, 1, "high", "cqm=jvt"), {176, 144, 0, 0, 0, 0}},
        {StreamOptions(640, 368, 1, "high", "cqm4iy=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"), {640, 368, 0, 0, 0, 0}},
        {StreamOptions(640, 480, 2, "high", "interlaced=1"), {640, 480, 0, 0, 0, 0}},  // field map units
        {StreamOptions(640, 360, 2, "high", "interlaced=1"), {640, 384, 0, 0, 0, 24}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.profile + " " + c.options.x264Params + " " + std::to_string(c.options.height));
        std::vector<uint8_t> sps = EncodedUnit(c.options);
        EXPECT_EQ(Sides(PictureSize(sps)), c.sides);
        const SpsResult r = Parse(sps);
        const std::vector<int> coded{c.sides[0], c.sides[1]};
        EXPECT_EQ((std::vector<int>{r.id, r.width, r.height}), (std::vector<int>{0, coded[0], coded[1]}));
        sps.insert(sps.begin(), {0, 0, 0, 1});  // with its start code, through the fallback helper
        int width = 0, height = 0;
        GetFrameSizeFromSps(sps.data(), static_cast<int>(sps.size()), &width, &height);
        EXPECT_EQ((std::vector<int>{width, height}), coded);
    }
    // High 4:4:4 Predictive (profile 244) with scaling matrices: its chroma fields and its twelve
    // lists come before the size, and its cropping counts in single pixels.
    auto predictive = StreamOptions(640, 366, 1, "high444", "cqm=jvt");
    predictive.pixelFormat = "yuv444p";
    const std::vector<uint8_t> sps = EncodedUnit(predictive);
    ASSERT_GE(sps.size(), 2u);
    EXPECT_EQ(sps[1], 244);
    EXPECT_EQ(Sides(PictureSize(sps)), (std::vector<int>{640, 368, 0, 0, 0, 2}));
    EXPECT_EQ(PictureSize(sps).shownHeight(), 366);
}

TEST(SpsParser, CroppingThatLeavesNoPictureIsIgnoredAndTheFallbackCropsEightRows) {
    EXPECT_EQ(Sides(PictureSize(SpsWriter().Ue(2).Finish(39, 22, true, {1, 2, 0, 4}))),
              (std::vector<int>{640, 368, 2, 4, 0, 8}));
    EXPECT_EQ(Sides(PictureSize(SpsWriter().Ue(2).Finish(39, 22, false, {0, 0, 1, 1}))),
              (std::vector<int>{640, 736, 0, 0, 4, 4}));  // field units: 4 rows each
    EXPECT_EQ(Sides(PictureSize(SpsWriter().Ue(2).Finish(39, 22, true, {160, 160, 0, 0}))),
              (std::vector<int>{640, 368, 0, 0, 0, 0}));
    EXPECT_EQ(Sides(PictureSize(SpsWriter().Ue(2).Finish(39, 22, true, {0, 0, 0xFFFFFFFEull, 0}))),
              (std::vector<int>{640, 368, 0, 0, 0, 0}));
    // A unit cut inside the cropping offsets is not a usable SPS.
    std::vector<uint8_t> cut = SpsWriter().Ue(2).Finish(39, 22, true, {0, 0, 0, 0xFFFFull});
    cut.resize(cut.size() - 3);
    EXPECT_EQ(Sides(PictureSize(cut)), (std::vector<int>{1920, 1088, 0, 0, 0, 8}));
    EXPECT_EQ((std::vector<int>{FallbackCropRows(1088), FallbackCropRows(1090), FallbackCropRows(1080)}),
              (std::vector<int>{8, 10, 0}));
}

TEST(SpsParser, WalksEveryPicOrderCountTypeAndSkipsEmulationPreventionBytes) {
    EXPECT_EQ(Parse(SpsWriter().Ue(0).Ue(2).Finish(119, 67)).height, 1088);
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(119, 67)).width, 1920);
    EXPECT_EQ(Parse(SpsWriter().Ue(1).Bits(0, 1).Ue(3).Ue(4).Ue(2).Ue(1).Ue(5).Finish(21, 17)).width, 352);
    EXPECT_EQ(Parse(SpsWriter().Ue(3).Finish(19, 14)).id, -1);  // unknown pic_order_cnt_type

    // A 31-zero Exp-Golomb prefix makes 00 00 00 runs, which the writer escapes with 03 bytes.
    const std::vector<uint8_t> escaped = SpsWriter().Ue(1).Bits(0, 1).Ue((1ull << 31) - 1).Ue(0).Ue(0).Finish(21, 17);
    const uint8_t escape[] = {0, 0, 3};
    ASSERT_NE(std::search(escaped.begin(), escaped.end(), escape, escape + 3), escaped.end());
    EXPECT_EQ(Parse(escaped).height, 288);
}

TEST(SpsParser, MalformedInputFailsCleanlyAndFallsBackTo1920By1088) {
    EXPECT_EQ(Parse({0, 0, 1, 0x67, 0x42, 0x00, 0x1E, 0xF4}).id, -1);  // three-byte start code
    const SpsResult pps = Parse(EncodedUnit(StreamOptions(320, 240, 1, "main"), 8));
    EXPECT_EQ((std::vector<int>{pps.id, pps.width}), (std::vector<int>{-2, 0}));  // size untouched
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(0, 0)).width, 16);
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(511, 511)).height, 8192);
    for (const uint64_t side : {512ull, 0xFFFFFFFFull, 0x1FFFFFFFFull}) {  // too big, wraps 32 bits, > 32 zeros
        EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(side, 10)).id, -1);
        EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(10, side)).id, -1);
    }
    // A cycle count of 2^32 - 2 must not be walked entry by entry.
    EXPECT_EQ(Parse(SpsWriter().Ue(1).Bits(0, 1).Ue(0).Ue(0).Ue(0xFFFFFFFEull).Finish(19, 14)).id, -1);

    // Every cut of a real SPS (heap copies, so the sanitizer sees reads past the end), down to no
    // bytes at all, gives the true size or the fallback, never an invented one; so does no data.
    const std::vector<uint8_t> sps = EncodedUnit(StreamOptions(320, 240, 1, "high", "cqm=jvt"));
    for (size_t length = 0; length <= sps.size(); ++length) {
        const std::vector<uint8_t> cut(sps.begin(), sps.begin() + static_cast<std::ptrdiff_t>(length));
        int width = 0, height = 0;
        GetFrameSizeFromSps(cut.data(), static_cast<int>(cut.size()), &width, &height);
        EXPECT_TRUE((width == 320 && height == 240) || (width == 1920 && height == 1088)) << "cut at " << length;
    }
    int width = 0, height = 0;
    GetFrameSizeFromSps(nullptr, 16, &width, &height);  // no offset may be applied to the null pointer
    EXPECT_EQ((std::vector<int>{width, height}), (std::vector<int>{1920, 1088}));
}

}  // namespace
