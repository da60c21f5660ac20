// The times a recording gives its pictures: display order from the picture order count within the
// stream's reorder depth, the pace from the SPS, the RTP times or the default, and never a
// presentation before a decoding time, whatever the stream does.
#include "app/player/mp4_sample_timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <ostream>
#include <vector>

namespace {

struct Written {
    uint8_t id;  // the picture's first byte: its place in decoding order
    int64_t dts, pts, duration;
    bool key;
};

// Adds the pictures in decoding order, writing what is ready after each, then finishes.
std::vector<Written> RunTimeline(const Mp4SampleTimeline::StreamTiming& timing,
                                 const std::vector<Mp4SampleTimeline::Picture>& pictures, size_t* mostHeld = nullptr) {
    Mp4SampleTimeline timeline;
    timeline.Begin(timing);
    std::vector<Written> written;
    const auto drain = [&] {
        while (const Mp4SampleTimeline::Sample* sample = timeline.Ready()) {
            written.push_back({sample->data[0], sample->dts, sample->pts, sample->duration, sample->key});
            timeline.Pop();
        }
    };
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < pictures.size(); ++i) {
        bytes.assign({static_cast<uint8_t>(i), 0x65});
        timeline.Add(bytes, pictures[i]);
        drain();
        if (mostHeld != nullptr) *mostHeld = std::max(*mostHeld, timeline.held());
    }
    timeline.Finish();
    drain();
    return written;
}

std::vector<Mp4SampleTimeline::Picture> Ordered(const std::vector<int64_t>& orders) {
    std::vector<Mp4SampleTimeline::Picture> pictures;
    for (const int64_t order : orders) pictures.push_back({order == 0, order == 0, order, std::nullopt});
    return pictures;
}

// Every picture written once in decoding order, decoding times growing, presentation never
// before decoding, durations that join the decoding times up.
void ExpectPlayable(const std::vector<Written>& written, size_t pictures) {
    ASSERT_EQ(written.size(), pictures);
    for (size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(written[i].id, i);
        EXPECT_GE(written[i].pts, written[i].dts) << i;
        if (i > 0) {
            EXPECT_GT(written[i].dts, written[i - 1].dts) << i;
        }
        if (i + 1 < written.size()) {
            EXPECT_EQ(written[i].dts + written[i].duration, written[i + 1].dts) << i;
        }
    }
}

// The pictures in presentation order, by their place in decoding order.
std::vector<int> ShownOrder(const std::vector<Written>& written) {
    std::vector<Written> byPts = written;
    std::stable_sort(byPts.begin(), byPts.end(), [](const Written& a, const Written& b) { return a.pts < b.pts; });
    std::vector<int> ids;
    for (const Written& w : byPts) ids.push_back(w.id);
    return ids;
}

struct OrderCase {
    const char* name;
    int reorderDepth;
    std::vector<int64_t> orders;  // picture order counts in decoding order; 0 restarts
    std::vector<int> shown;       // decoding places in the order shown
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class TimelineOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(TimelineOrder, ShowsPicturesInTheStreamsOrderOneFrameApartAndNeverBeforeTheirDecodingTime) {
    const OrderCase& c = GetParam();
    size_t mostHeld = 0;
    const std::vector<Written> written = RunTimeline({c.reorderDepth, 3600, true}, Ordered(c.orders), &mostHeld);
    ExpectPlayable(written, c.orders.size());
    EXPECT_EQ(ShownOrder(written), c.shown);
    std::vector<int64_t> pts;
    for (const Written& w : written) pts.push_back(w.pts);
    std::sort(pts.begin(), pts.end());
    for (size_t i = 0; i < pts.size(); ++i) EXPECT_EQ(pts[i], (static_cast<int64_t>(i) + c.reorderDepth) * 3600) << i;
    for (size_t i = 0; i < written.size(); ++i) EXPECT_EQ(written[i].dts, static_cast<int64_t>(i) * 3600) << i;
    EXPECT_LE(mostHeld, static_cast<size_t>(c.reorderDepth) + 2);
}

const OrderCase kOrderCases[] = {
    {"NoReordering", 0, {0, 2, 4, 6}, {0, 1, 2, 3}},
    {"BPyramid", 2, {0, 8, 4, 2, 6, 16, 12, 10, 14}, {0, 3, 2, 4, 1, 7, 6, 8, 5}},
    {"OneBFrame", 1, {0, 4, 2, 8, 6}, {0, 2, 1, 4, 3}},
    // A new IDR shows everything before it first, whatever the counts.
    {"RestartShowsEverythingBefore", 2, {0, 8, 4, 0, 4, 2}, {0, 2, 1, 3, 5, 4}},
    // Reordering deeper than the SPS says: pictures come late rather than before their time.
    {"DeeperThanItsDepth", 0, {0, 8, 4, 2, 6}, {0, 1, 2, 3, 4}},
    {"CountsThatNeverLetTheOldestOut", 1, {0, 100, 90, 80, 70, 60, 50, 40}, {0, 2, 3, 4, 1, 6, 7, 5}},
};

INSTANTIATE_TEST_SUITE_P(Streams, TimelineOrder, ::testing::ValuesIn(kOrderCases),
                         [](const ::testing::TestParamInfo<OrderCase>& c) { return c.param.name; });

// The pace: a fixed rate from the SPS wins; otherwise the RTP times of the pictures in the order
// shown, across the clock's wrap; otherwise 25 a second.
TEST(TimelinePace, TakesTheSpsFixedRateElseTheRtpTimesElseTwentyFiveASecond) {
    struct Case {
        const char* name;
        Mp4SampleTimeline::StreamTiming timing;
        bool rtp;
        std::vector<int64_t> steps;  // between presentation times, in the order shown
    };
    const uint32_t start = 0xFFFFFFFFu - 4000;  // wraps after the second picture
    for (const Case& c : {Case{"fixed rate", {1, 3000, true}, true, {3000, 3000, 3000, 3000}},
                          Case{"rtp", {1, std::nullopt, false}, true, {3003, 3003, 6006, 3003}},
                          Case{"rtp over a rate that is not fixed", {1, 3600, false}, true, {3003, 3003, 6006, 3003}},
                          Case{"nothing", {1, std::nullopt, false}, false, {3600, 3600, 3600, 3600}}}) {
        SCOPED_TRACE(c.name);
        // Decoding order I P B P B; in the order shown the third frame was dropped by the camera.
        const std::vector<int64_t> orders = {0, 4, 2, 10, 8};
        const std::vector<uint32_t> shownTimes = {0, 3003, 6006, 12012, 15015};
        std::vector<Mp4SampleTimeline::Picture> pictures;
        for (const int64_t order : orders) {
            const size_t shownPlace = order == 0 ? 0 : order == 2 ? 1 : order == 4 ? 2 : order == 8 ? 3 : 4;
            pictures.push_back({order == 0, order == 0, order,
                                c.rtp ? std::optional<uint32_t>(start + shownTimes[shownPlace]) : std::nullopt});
        }
        const std::vector<Written> written = RunTimeline(c.timing, pictures);
        ExpectPlayable(written, pictures.size());
        std::vector<int64_t> pts;
        for (const Written& w : written) pts.push_back(w.pts);
        std::sort(pts.begin(), pts.end());
        std::vector<int64_t> steps;
        for (size_t i = 1; i < pts.size(); ++i) steps.push_back(pts[i] - pts[i - 1]);
        EXPECT_EQ(steps, c.steps);
        EXPECT_GT(written.back().duration, 0);
    }
}

}  // namespace
