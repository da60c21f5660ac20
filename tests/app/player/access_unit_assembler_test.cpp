#include "app/player/access_unit_assembler.h"

#include "tests/support/annexb_splitter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using test_support::NalUnit;
using test_support::SplitAnnexB;
using Pictures = std::vector<std::vector<NalUnit>>;

// Every picture the assembler completes, as its list of units; an end-of-stream unit closes the last.
Pictures AssembleAll(AccessUnitAssembler& assembler, std::vector<NalUnit> units) {
    units.push_back({0x0B});
    Pictures pictures;
    for (const NalUnit& unit : units) {
        if (!assembler.Add(unit.data(), unit.size())) continue;
        const uint8_t* data = assembler.PictureData();
        for (size_t i = 0; i < 64; ++i) EXPECT_EQ(data[assembler.PictureSize() + i], 0) << "padding byte " << i;
        pictures.push_back(SplitAnnexB({data, data + assembler.PictureSize()}));
    }
    if (!pictures.empty() && test_support::NalType(pictures.back().back()) == 11) pictures.back().pop_back();
    return pictures;
}

TEST(AccessUnitAssembler, DropsAnOversizedPictureWholeAndKeepsTheNext) {
    NalUnit bigIdr(400, 0x80);  // first_mb_in_slice 0
    bigIdr[0] = 0x65;
    const NalUnit slice = {0x41, 0x80, 0x11};      // first_mb_in_slice 0: a new picture
    const NalUnit nextSlice = {0x41, 0x40, 0x22};  // first_mb_in_slice 1: same picture
    const NalUnit withStartCode = {0, 0, 1, 0x41, 0x80, 0x33};
    AccessUnitAssembler assembler(256);
    EXPECT_EQ(AssembleAll(assembler, {{0x67, 0x42, 0x00, 0x1E}, bigIdr, slice, nextSlice, withStartCode}),
              (Pictures{{slice, nextSlice}, {{0x41, 0x80, 0x33}}}));
}

// After an empty unit or a bare start code no picture is reported, so none may keep its size.
TEST(AccessUnitAssembler, AnEmptyUnitOrBareStartCodeLeavesNoPictureSizeBehind) {
    const NalUnit slice = {0x41, 0x80, 0x11};
    AccessUnitAssembler assembler(256);
    assembler.Add(slice.data(), slice.size());
    ASSERT_TRUE(assembler.Add(slice.data(), slice.size()));
    ASSERT_GT(assembler.PictureSize(), 0u);
    for (const NalUnit& unit : {NalUnit{}, NalUnit{0, 0, 1}, NalUnit{0, 0, 0, 1}}) {
        EXPECT_FALSE(assembler.Add(unit.data(), unit.size()));
        EXPECT_EQ(assembler.PictureSize(), 0u) << unit.size() << " bytes";
    }
}

}  // namespace
