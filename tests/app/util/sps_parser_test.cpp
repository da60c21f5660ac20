#include "app/util/sps_parser.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

namespace {

using test_support::FirstNalOfType;
using test_support::H264StreamOptions;
using test_support::MakeH264Stream;
using test_support::NalUnit;
using test_support::SplitAnnexB;
using test_support::StreamOptions;

constexpr int kSps = 7;

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

NalUnit EncodedSps(const H264StreamOptions& options) {
    NalUnit sps = FirstNalOfType(SplitAnnexB(MakeH264Stream(options)), kSps);
    EXPECT_FALSE(sps.empty());
    return sps;
}

// Writes SPS fields bit by bit, then adds the emulation-prevention bytes a real encoder would.
class SpsWriter {
public:
    void Bits(uint64_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            bits_.push_back(static_cast<uint8_t>((value >> i) & 1));
        }
    }
    void Ue(uint64_t value) {
        int length = 0;
        while ((value + 1) >> (length + 1)) {
            ++length;
        }
        Bits(0, length);
        Bits(value + 1, length + 1);
    }
    void Header(int profile) {
        Bits(0x67, 8);
        Bits(profile, 8);
        Bits(0, 8);   // constraint flags
        Bits(30, 8);  // level
        Ue(0);        // seq_parameter_set_id
    }
    void Tail(uint64_t widthMbsMinus1, uint64_t heightMapUnitsMinus1) {
        Ue(1);  // max_num_ref_frames
        Bits(0, 1);
        Ue(widthMbsMinus1);
        Ue(heightMapUnitsMinus1);
        Bits(1, 1);  // frame_mbs_only_flag
        Bits(1, 1);  // rbsp stop bit
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> raw((bits_.size() + 7) / 8, 0);
        for (size_t i = 0; i < bits_.size(); ++i) {
            raw[i / 8] |= static_cast<uint8_t>(bits_[i] << (7 - i % 8));
        }
        std::vector<uint8_t> out;
        int zeros = 0;
        for (uint8_t b : raw) {
            if (zeros >= 2 && b <= 3) {
                out.push_back(3);
                zeros = 0;
            }
            out.push_back(b);
            zeros = b == 0 ? zeros + 1 : 0;
        }
        return out;
    }

private:
    std::vector<uint8_t> bits_;
};

std::vector<uint8_t> WithStartCode(std::vector<uint8_t> unit) {
    unit.insert(unit.begin(), {0, 0, 0, 1});
    return unit;
}

TEST(SpsParser, ReadsSizeOfBaselineMainAndHighStreams) {
    struct Case {
        H264StreamOptions options;
        int width;
        int height;
    };
    const Case cases[] = {
        {StreamOptions(320, 240, 1, "baseline"), 320, 240},
        {StreamOptions(330, 250, 1, "main"), 336, 256},
        {StreamOptions(176, 144, 1, "high"), 176, 144},
        // Custom quantisation matrices put scaling lists into the SPS ahead of the size.
        {StreamOptions(352, 288, 1, "high", "cqm=jvt"), 352, 288},
        {StreamOptions(640, 368, 1, "high", "cqm4iy=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"),
         640, 368},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.profile + " " + c.options.x264Params);
        const SpsResult r = Parse(EncodedSps(c.options));
        EXPECT_EQ(r.id, 0);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }
}

TEST(SpsParser, ReportsCodedHeightOf1088ForBoth1080And1088Pictures) {
    for (int height : {1080, 1088}) {
        const NalUnit sps = EncodedSps(StreamOptions(1920, height, 1, "high"));
        int width = 0;
        int coded = 0;
        GetFrameSizeFromSps(sps.data(), static_cast<int>(sps.size()), &width, &coded);
        EXPECT_EQ(width, 1920);
        EXPECT_EQ(coded, 1088) << "picture height " << height;
    }
}

TEST(SpsParser, FourByteStartCodeIsSkippedButThreeByteStartCodeIsRefused) {
    const NalUnit sps = EncodedSps(StreamOptions(320, 240, 1, "main"));
    const SpsResult bare = Parse(sps);
    const SpsResult prefixed = Parse(WithStartCode(sps));
    EXPECT_EQ(prefixed.id, bare.id);
    EXPECT_EQ(prefixed.width, 320);
    EXPECT_EQ(prefixed.height, 240);

    std::vector<uint8_t> threeByte = sps;
    threeByte.insert(threeByte.begin(), {0, 0, 1});
    EXPECT_EQ(Parse(threeByte).id, -1);
}

TEST(SpsParser, OtherNalUnitTypesAreRefusedAndSizeIsUntouched) {
    const std::vector<NalUnit> units = SplitAnnexB(MakeH264Stream(StreamOptions(320, 240, 1, "baseline")));
    for (int type : {8, 5}) {  // PPS, IDR slice
        const NalUnit unit = FirstNalOfType(units, type);
        ASSERT_FALSE(unit.empty());
        const SpsResult r = Parse(unit);
        EXPECT_EQ(r.id, -2);
        EXPECT_EQ(r.width, 0);
        EXPECT_EQ(r.height, 0);
    }
}

TEST(SpsParser, TruncatedSpsFailsOrGivesTheTrueSizeNeverAnInventedOne) {
    const NalUnit sps = EncodedSps(StreamOptions(320, 240, 1, "high", "cqm=jvt"));
    for (size_t length = 0; length < sps.size(); ++length) {
        // A heap copy of exactly the cut length, so that the sanitizer sees any read past its end.
        const std::vector<uint8_t> cut(sps.begin(), sps.begin() + static_cast<std::ptrdiff_t>(length));
        const SpsResult r = Parse(cut);
        if (r.id >= 0) {
            EXPECT_EQ(r.width, 320) << "cut at " << length;
            EXPECT_EQ(r.height, 240) << "cut at " << length;
        }
        int width = 0;
        int height = 0;
        GetFrameSizeFromSps(cut.data(), static_cast<int>(cut.size()), &width, &height);
        EXPECT_TRUE((width == 320 && height == 240) || (width == 1920 && height == 1088)) << "cut at " << length;
    }
    EXPECT_EQ(Parse({}).id, -1);
    EXPECT_EQ(Parse({0x67, 0x42, 0x00}).id, -1);
    int width = 0;
    int height = 0;
    GetFrameSizeFromSps(nullptr, 0, &width, &height);
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1088);
}

TEST(SpsParser, HandWrittenSpsWithEveryPicOrderCountType) {
    for (int pocType : {0, 1, 2}) {
        SpsWriter w;
        w.Header(66);
        w.Ue(0);  // log2_max_frame_num_minus4
        w.Ue(static_cast<uint64_t>(pocType));
        if (pocType == 0) {
            w.Ue(2);
        } else if (pocType == 1) {
            w.Bits(0, 1);
            w.Ue(3);
            w.Ue(4);
            w.Ue(3);  // three cycle offsets
            w.Ue(1);
            w.Ue(2);
            w.Ue(5);
        }
        w.Tail(119, 67);
        const SpsResult r = Parse(w.Bytes());
        EXPECT_EQ(r.id, 0) << "type " << pocType;
        EXPECT_EQ(r.width, 1920);
        EXPECT_EQ(r.height, 1088);
    }
    SpsWriter unsupported;
    unsupported.Header(66);
    unsupported.Ue(0);
    unsupported.Ue(3);
    unsupported.Tail(19, 14);
    EXPECT_EQ(Parse(unsupported.Bytes()).id, -1);
}

TEST(SpsParser, EmulationPreventionBytesAreSkipped) {
    // A 31-zero Exp-Golomb prefix produces 00 00 00 runs, so the encoder inserts 03 bytes.
    SpsWriter w;
    w.Header(66);
    w.Ue(0);
    w.Ue(1);
    w.Bits(0, 1);
    w.Ue((uint64_t{1} << 31) - 1);  // offset_for_non_ref_pic
    w.Ue(0);
    w.Ue(0);
    w.Tail(21, 17);
    const std::vector<uint8_t> bytes = w.Bytes();
    const uint8_t escape[] = {0, 0, 3};
    ASSERT_NE(std::search(bytes.begin(), bytes.end(), std::begin(escape), std::end(escape)), bytes.end());
    const SpsResult r = Parse(bytes);
    EXPECT_EQ(r.id, 0);
    EXPECT_EQ(r.width, 352);
    EXPECT_EQ(r.height, 288);
}

TEST(SpsParser, HugeOrOutOfRangeValuesFailCleanly) {
    const auto parseWithSize = [](uint64_t widthMbsMinus1, uint64_t heightMbsMinus1) {
        SpsWriter w;
        w.Header(77);
        w.Ue(0);
        w.Ue(2);
        w.Tail(widthMbsMinus1, heightMbsMinus1);
        return Parse(w.Bytes());
    };
    EXPECT_EQ(parseWithSize(0, 0).width, 16);
    EXPECT_EQ(parseWithSize(511, 511).height, 8192);
    EXPECT_EQ(parseWithSize(512, 10).id, -1);
    EXPECT_EQ(parseWithSize(10, 512).id, -1);
    EXPECT_EQ(parseWithSize(0xFFFFFFFFull, 10).id, -1);    // (value + 1) * 16 wraps in 32 bits
    EXPECT_EQ(parseWithSize(0x1FFFFFFFFull, 10).id, -1);  // more than 32 leading zeros

    // 300 zero bytes: every Exp-Golomb read runs into its 32-zero limit, then the data ends.
    std::vector<uint8_t> zeros(300, 0);
    zeros[0] = 0x67;
    zeros[1] = 100;
    EXPECT_EQ(Parse(zeros).id, -1);

    // A pic_order_cnt cycle count of 2^32 - 2 must not be walked entry by entry.
    SpsWriter w;
    w.Header(66);
    w.Ue(0);
    w.Ue(1);
    w.Bits(0, 1);
    w.Ue(0);
    w.Ue(0);
    w.Ue(0xFFFFFFFEull);
    w.Tail(19, 14);
    EXPECT_EQ(Parse(w.Bytes()).id, -1);
}

TEST(SpsParser, RandomBytesNeverGiveSizesOutOfRange) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 20000; ++i) {
        std::vector<uint8_t> bytes(rng() % 40);
        for (uint8_t& b : bytes) {
            b = static_cast<uint8_t>(rng());
        }
        if (!bytes.empty()) {
            bytes[0] = static_cast<uint8_t>((bytes[0] & 0xE0) | kSps);
        }
        int width = 0;
        int height = 0;
        GetFrameSizeFromSps(bytes.data(), static_cast<int>(bytes.size()), &width, &height);
        ASSERT_TRUE(width >= 16 && width <= 8192 && width % 16 == 0);
        ASSERT_TRUE(height >= 16 && height <= 8192 && height % 16 == 0);
    }
}

}  // namespace
