#include "app/player/access_unit_assembler.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using test_support::NalUnit;
using test_support::SplitAnnexB;

std::vector<std::vector<NalUnit>> AssembleAll(AccessUnitAssembler& assembler, const std::vector<NalUnit>& units) {
    std::vector<std::vector<NalUnit>> pictures;
    for (const NalUnit& unit : units) {
        if (assembler.Add(unit.data(), unit.size())) {
            const std::vector<uint8_t> bytes(assembler.PictureData(), assembler.PictureData() + assembler.PictureSize());
            pictures.push_back(SplitAnnexB(bytes));
        }
    }
    const NalUnit endOfStream = {0x0B};
    if (assembler.Add(endOfStream.data(), endOfStream.size())) {
        const std::vector<uint8_t> bytes(assembler.PictureData(), assembler.PictureData() + assembler.PictureSize());
        pictures.push_back(SplitAnnexB(bytes));
        pictures.back().pop_back();  // the end-of-stream unit itself
    }
    return pictures;
}

TEST(AccessUnitAssembler, CutsMultiSliceStreamWhereFfmpegsParserDoes) {
    const std::vector<uint8_t> stream =
        test_support::MakeH264Stream(test_support::StreamOptions(352, 288, 8, "high", "slices=4:bframes=2"));
    std::vector<std::vector<NalUnit>> expected;
    for (const std::vector<uint8_t>& picture : test_support::SplitIntoPictures(stream)) {
        expected.push_back(SplitAnnexB(picture));
    }
    AccessUnitAssembler assembler(1 << 20);
    EXPECT_EQ(AssembleAll(assembler, SplitAnnexB(stream)), expected);
}

TEST(AccessUnitAssembler, DropsAnOversizedPictureWholeAndKeepsTheNext) {
    const NalUnit sps = {0x67, 0x42, 0x00, 0x1E, 0xF4};
    const NalUnit bigSlice(400, 0x80);  // first_mb_in_slice 0 in every slice
    NalUnit smallSlice = {0x41, 0x80, 0x11};
    NalUnit secondSlice = {0x41, 0x40, 0x22};  // first_mb_in_slice 1: same picture
    std::vector<NalUnit> units = {sps, {0x65}, smallSlice, secondSlice, smallSlice};
    units[1].insert(units[1].end(), bigSlice.begin(), bigSlice.end());
    AccessUnitAssembler assembler(256);
    const std::vector<std::vector<NalUnit>> pictures = AssembleAll(assembler, units);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0], (std::vector<NalUnit>{smallSlice, secondSlice}));
    EXPECT_EQ(pictures[1], (std::vector<NalUnit>{smallSlice}));
}

TEST(AccessUnitAssembler, AcceptsUnitsWithOrWithoutStartCodeAndIgnoresEmptyOnes) {
    const std::vector<uint8_t> withLongCode = {0, 0, 0, 1, 0x65, 0x88, 0x01};
    const std::vector<uint8_t> withShortCode = {0, 0, 1, 0x41, 0x9A, 0x02};
    const std::vector<uint8_t> bare = {0x41, 0x9A, 0x03};
    const std::vector<uint8_t> startCodeOnly = {0, 0, 0, 1};
    AccessUnitAssembler assembler(1024);
    EXPECT_FALSE(assembler.Add(withLongCode.data(), withLongCode.size()));
    EXPECT_FALSE(assembler.Add(startCodeOnly.data(), startCodeOnly.size()));
    EXPECT_FALSE(assembler.Add(nullptr, 0));
    ASSERT_TRUE(assembler.Add(withShortCode.data(), withShortCode.size()));
    const std::vector<uint8_t> first = {0, 0, 0, 1, 0x65, 0x88, 0x01};
    EXPECT_EQ(std::vector<uint8_t>(assembler.PictureData(), assembler.PictureData() + assembler.PictureSize()), first);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(assembler.PictureData()[first.size() + static_cast<size_t>(i)], 0) << "padding byte " << i;
    }
    ASSERT_TRUE(assembler.Add(bare.data(), bare.size()));
    EXPECT_EQ(std::vector<uint8_t>(assembler.PictureData(), assembler.PictureData() + assembler.PictureSize()),
              (std::vector<uint8_t>{0, 0, 0, 1, 0x41, 0x9A, 0x02}));
}

}  // namespace
