// Recovery point messages found in SEI units written bit by bit: alone, behind other messages of
// any size (their types and sizes over 255, their bytes escaped), and refused when cut off, too
// long for their payload or out of range.
#include "app/util/sei_recovery_point.h"

#include "tests/support/h264_bit_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

namespace {

using test_support::H264BitWriter;
using Unit = std::vector<uint8_t>;

// payloadType and payloadSize as SEI writes them: 0xFF for every 255, then the rest.
void SeiValue(H264BitWriter& w, uint32_t value) {
    for (; value >= 255; value -= 255) w.Bits(0xFF, 8);
    w.Bits(value, 8);
}

void OtherMessage(H264BitWriter& w, uint32_t type, uint32_t size) {
    SeiValue(w, type);
    SeiValue(w, size);
    for (uint32_t i = 0; i < size; ++i) w.Bits(i % 3 == 2 ? 1 : 0, 8);  // 00 00 01 runs, escaped
}

// A recovery point message with its payload's alignment bits; declaredSize replaces its true
// size when given.
void RecoveryPoint(H264BitWriter& w, uint32_t count, bool exact, bool broken,
                   std::optional<uint32_t> declaredSize = std::nullopt) {
    const int bits = 2 * (std::bit_width(count + 1) - 1) + 1 + 4;
    const int pad = (8 - bits % 8) % 8;
    SeiValue(w, 6);
    SeiValue(w, declaredSize.value_or(static_cast<uint32_t>((bits + pad) / 8)));
    w.Ue(count).Flag(exact).Flag(broken).Bits(0, 2);
    if (pad > 0) w.Flag(true).Bits(0, pad - 1);
}

struct SeiCase {
    const char* name;
    Unit unit;
    std::optional<H264RecoveryPoint> found;
};

void PrintTo(const SeiCase& c, std::ostream* out) { *out << c.name; }

Unit Sei(const std::function<void(H264BitWriter&)>& messages) {
    H264BitWriter w(0x06);
    messages(w);
    return w.Finish();  // the trailing bits: 0x80
}

Unit CutOff(Unit unit, size_t bytes) {
    unit.resize(unit.size() - bytes);
    return unit;
}

const std::vector<SeiCase>& Cases() {
    static const std::vector<SeiCase> cases = {
        {"OpenGroupIPicture", Sei([](auto& w) { RecoveryPoint(w, 0, true, false); }),
         H264RecoveryPoint{0, true, false}},
        {"RefreshCycleBehindUserDataOverAKilobyte", Sei([](auto& w) {
             OtherMessage(w, 5, 1100);
             RecoveryPoint(w, 18, false, true);
         }),
         H264RecoveryPoint{18, false, true}},
        {"AfterTimingMessages", Sei([](auto& w) {
             OtherMessage(w, 0, 3);
             OtherMessage(w, 1, 2);
             RecoveryPoint(w, 65535, true, false);
         }),
         H264RecoveryPoint{65535, true, false}},
        // Type 261 is written 0xFF 0x06: not a recovery point.
        {"TypeOver255EndingInSix", Sei([](auto& w) { OtherMessage(w, 261, 1); }), std::nullopt},
        {"OnlyOtherMessages", Sei([](auto& w) { OtherMessage(w, 5, 20); }), std::nullopt},
        {"NotAnSeiUnit", Unit{0x65, 0xC4, 0x80}, std::nullopt},
        {"CutOffInTheMessage", CutOff(Sei([](auto& w) { RecoveryPoint(w, 4000, true, false); }), 2), std::nullopt},
        {"CutOffBeforeIt",
         CutOff(Sei([](auto& w) {
                    OtherMessage(w, 5, 40);
                    RecoveryPoint(w, 0, true, false);
                }),
                10),
         std::nullopt},
        {"LongerThanItsPayload", Sei([](auto& w) { RecoveryPoint(w, 300, true, false, 1); }), std::nullopt},
        {"EmptyPayload", Sei([](auto& w) { RecoveryPoint(w, 0, true, false, 0); }), std::nullopt},
        {"CountBeyondAnyFrameNumber", Sei([](auto& w) { RecoveryPoint(w, 65536, true, false); }), std::nullopt},
        {"HeaderOnly", Unit{0x06}, std::nullopt},
    };
    return cases;
}

class SeiRecoveryPoint : public ::testing::TestWithParam<SeiCase> {};

TEST_P(SeiRecoveryPoint, IsFoundWholeOrNotAtAll) {
    const SeiCase& c = GetParam();
    H264RecoveryPoint point{7, true, true};
    const bool found = FindRecoveryPoint(c.unit.data(), c.unit.size(), &point);
    ASSERT_EQ(found, c.found.has_value());
    if (!found) return;
    EXPECT_EQ(point.recoveryFrameCount, c.found->recoveryFrameCount);
    EXPECT_EQ(point.exactMatch, c.found->exactMatch);
    EXPECT_EQ(point.brokenLink, c.found->brokenLink);
    EXPECT_TRUE(FindRecoveryPoint(c.unit.data(), c.unit.size(), nullptr));
}

INSTANTIATE_TEST_SUITE_P(Units, SeiRecoveryPoint, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<SeiCase>& c) { return c.param.name; });

}  // namespace
