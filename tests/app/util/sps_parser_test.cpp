#include "app/util/sps_parser.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using test_support::NalUnit;
using test_support::StreamOptions;

struct SpsResult {
    int id = -100;
    int width = 0;
    int height = 0;
};

SpsResult Parse(const std::vector<uint8_t>& bytes) {
    SpsResult r;
    SpsBitReader reader = MakeSpsBitReader(bytes.data(), static_cast<int>(bytes.size()));
    r.id = ParseSps(&reader, &r.width, &r.height);
    return r;
}

NalUnit EncodedUnit(const test_support::H264StreamOptions& options, int type = 7) {
    return test_support::FirstNalOfType(test_support::SplitAnnexB(test_support::MakeH264Stream(options)), type);
}

// Writes a Baseline SPS field by field (pic_order_cnt_type given as written fields), adding the
// emulation-prevention bytes an encoder would.
class SpsWriter {
public:
    SpsWriter() { Bits(0x6742001E, 32), Ue(0), Ue(0); }  // header, profile 66, level 30, id, frame num
    SpsWriter& Bits(uint64_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            bits_.push_back((value >> i) & 1);
        }
        return *this;
    }
    SpsWriter& Ue(uint64_t value) {
        int length = 0;
        while ((value + 1) >> (length + 1)) {
            ++length;
        }
        return Bits(0, length).Bits(value + 1, length + 1);
    }
    std::vector<uint8_t> Finish(uint64_t widthMbsMinus1, uint64_t heightMbsMinus1) {
        Ue(1).Bits(0, 1).Ue(widthMbsMinus1).Ue(heightMbsMinus1).Bits(3, 2);  // refs, gaps, size, stop
        std::vector<uint8_t> out;
        int zeros = 0;
        for (size_t i = 0; i < bits_.size(); i += 8) {
            uint8_t byte = 0;
            for (size_t j = i; j < i + 8; ++j) {
                byte = static_cast<uint8_t>(byte << 1 | (j < bits_.size() ? bits_[j] : 0));
            }
            if (zeros >= 2 && byte <= 3) {
                out.push_back(3);
                zeros = 0;
            }
            out.push_back(byte);
            zeros = byte == 0 ? zeros + 1 : 0;
        }
        return out;
    }

private:
    std::vector<int> bits_;
};

TEST(SpsParser, ReadsCodedSizeOfBaselineMainAndHighStreamsWithScalingLists) {
    const struct {
        test_support::H264StreamOptions options;
        int width, height;
    } cases[] = {
        {StreamOptions(320, 240, 1, "baseline"), 320, 240},
        {StreamOptions(330, 250, 1, "main"), 336, 256},
        {StreamOptions(176, 144, 1, "high", "cqm=jvt"), 176, 144},
        {StreamOptions(640, 368, 1, "high", "cqm4iy=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"), 640, 368},
        {StreamOptions(1920, 1080, 1, "high"), 1920, 1088},  // coded height, not cropped
        {StreamOptions(1920, 1088, 1, "high"), 1920, 1088},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.profile + " " + c.options.x264Params + " " + std::to_string(c.options.height));
        const NalUnit sps = EncodedUnit(c.options);
        const SpsResult r = Parse(sps);
        EXPECT_EQ(r.id, 0);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
        int width = 0, height = 0;
        GetFrameSizeFromSps(sps.data(), static_cast<int>(sps.size()), &width, &height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
    }
}

TEST(SpsParser, AcceptsFourByteStartCodeRefusesThreeByteOneAndOtherUnitTypes) {
    const NalUnit sps = EncodedUnit(StreamOptions(320, 240, 1, "main"));
    std::vector<uint8_t> prefixed = {0, 0, 0, 1};
    prefixed.insert(prefixed.end(), sps.begin(), sps.end());
    EXPECT_EQ(Parse(prefixed).width, 320);
    EXPECT_EQ(Parse(prefixed).height, 240);
    EXPECT_EQ(Parse(std::vector<uint8_t>(prefixed.begin() + 1, prefixed.end())).id, -1);

    const SpsResult pps = Parse(EncodedUnit(StreamOptions(320, 240, 1, "main"), 8));
    EXPECT_EQ(pps.id, -2);
    EXPECT_EQ(pps.width, 0);  // untouched
}

TEST(SpsParser, TruncatedSpsFailsOrGivesTheTrueSizeNeverAnInventedOne) {
    const NalUnit sps = EncodedUnit(StreamOptions(320, 240, 1, "high", "cqm=jvt"));
    for (size_t length = 0; length < sps.size(); ++length) {
        // A heap copy of exactly the cut length, so that the sanitizer sees any read past its end.
        const std::vector<uint8_t> cut(sps.begin(), sps.begin() + static_cast<std::ptrdiff_t>(length));
        int width = 0, height = 0;
        GetFrameSizeFromSps(cut.data(), static_cast<int>(cut.size()), &width, &height);
        EXPECT_TRUE((width == 320 && height == 240) || (width == 1920 && height == 1088)) << "cut at " << length;
        EXPECT_TRUE(Parse(cut).id == -1 || Parse(cut).width == 320);
    }
    int width = 0, height = 0;
    GetFrameSizeFromSps(nullptr, 0, &width, &height);
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1088);
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

TEST(SpsParser, HugeOrOutOfRangeValuesFailCleanly) {
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(0, 0)).width, 16);
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(511, 511)).height, 8192);
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(512, 10)).id, -1);
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(10, 512)).id, -1);
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(0xFFFFFFFFull, 10)).id, -1);   // (v + 1) * 16 wraps in 32 bits
    EXPECT_EQ(Parse(SpsWriter().Ue(2).Finish(0x1FFFFFFFFull, 10)).id, -1);  // more than 32 leading zeros
    // A cycle count of 2^32 - 2 must not be walked entry by entry.
    EXPECT_EQ(Parse(SpsWriter().Ue(1).Bits(0, 1).Ue(0).Ue(0).Ue(0xFFFFFFFEull).Finish(19, 14)).id, -1);
    std::vector<uint8_t> zeros(300, 0);
    zeros[0] = 0x67;
    zeros[1] = 100;
    EXPECT_EQ(Parse(zeros).id, -1);

    std::mt19937 rng(1234);
    for (int i = 0; i < 20000; ++i) {
        std::vector<uint8_t> bytes(rng() % 40);
        std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<uint8_t>(rng()); });
        if (!bytes.empty()) {
            bytes[0] = static_cast<uint8_t>((bytes[0] & 0xE0) | 7);
        }
        int width = 0, height = 0;
        GetFrameSizeFromSps(bytes.data(), static_cast<int>(bytes.size()), &width, &height);
        ASSERT_TRUE(width >= 16 && width <= 8192 && width % 16 == 0 && height >= 16 && height <= 8192 &&
                    height % 16 == 0);
    }
}

}  // namespace
