// How the RTSP source rebuilds NAL units from depacketised RTP payloads and where it puts the
// parameter sets.
#include "platform/livevideo/nal_assembler.h"
#include "platform/livevideo/parameter_set_repeater.h"
#include "platform/livevideo/rtsp_url.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Units = std::vector<Bytes>;

// Keeps every unit handed to it.
struct Sink {
    Units units;
    void operator()(const uint8_t* data, size_t size) { units.emplace_back(data, data + size); }
};

struct Assembler : livevideo::NalAssembler, Sink {
    void Push(const Bytes& packet) { push(packet.data(), packet.size(), static_cast<Sink&>(*this)); }
    void Flush() { flush(static_cast<Sink&>(*this)); }
};

TEST(NalAssembler, JoinsFragmentsAndSplitsAggregatesIntoWholeUnits)
{
    Assembler a;
    a.Push({0, 0, 0, 1, 0x65, 0xAA});  // first fragment of a key frame, then the fragments after it
    a.Push({0xBB, 0x00, 0xCC});
    a.Push({0x00, 0xDD});
    EXPECT_TRUE(a.units.empty()) << "a unit is whole only once the next one begins";
    a.Push({0, 0, 0, 1, 0x67, 0x11, 0, 0, 1, 0x68, 0x22, 0, 0, 0, 1, 0x41, 0x33});
    EXPECT_EQ(a.units, (Units{{0x65, 0xAA, 0xBB, 0x00, 0xCC, 0x00, 0xDD}, {0x67, 0x11}, {0x68, 0x22}}));
    a.Flush();
    EXPECT_EQ(a.units.back(), (Bytes{0x41, 0x33}));
}

TEST(NalAssembler, DropsContinuationsWithoutTheirStartAndUnitsPastTheBound)
{
    Assembler a;
    a.Push({0x12, 0x34});  // joined in the middle of a fragmented unit
    a.Push({0, 0, 1, 0x65});
    const Bytes chunk(1024 * 1024, 0x5A);
    for (size_t total = 0; total <= livevideo::NalAssembler::kMaxNalSize; total += chunk.size()) {
        a.Push(chunk);
    }
    a.Push({0, 0, 1, 0x41, 0x01});
    a.Flush();
    EXPECT_EQ(a.units, (Units{{0x41, 0x01}}));
}

TEST(ParameterSetRepeater, SendsKeptSetsAgainOnlyBeforeKeyFramesThatLackThem)
{
    const Bytes sps{0x67, 0x42}, pps{0x68, 0xCE}, newSps{0x67, 0x4D}, newPps{0x68, 0xEE};
    const Bytes idr{0x65, 0x88}, idrSecondSlice{0x65, 0x08}, p{0x41, 0x9A};
    const Bytes extradata{0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x68, 0xCE};
    livevideo::ParameterSetRepeater repeater;
    repeater.load(extradata.data(), extradata.size());
    Sink sink;
    repeater.start(sink);
    // The first key frame follows the description's sets; the third comes with the stream's own.
    for (const Bytes& nal : {idr, p, idr, idrSecondSlice, newSps, newPps, idr, idr}) {
        repeater.pass(nal.data(), nal.size(), sink);
    }
    EXPECT_EQ(sink.units, (Units{sps, pps, idr, p, sps, pps, idr, idrSecondSlice, newSps, newPps, idr, newSps,
                                 newPps, idr}));
}

TEST(RtspUrl, GoesOverTcpUnlessItsOptionsChooseATransport)
{
    EXPECT_FALSE(livevideo::urlChoosesTransport("rtsp://camera/live"));
    EXPECT_FALSE(livevideo::urlChoosesTransport("rtsp://camera/live?channel=1&tcp"));
    EXPECT_TRUE(livevideo::urlChoosesTransport("rtsp://camera/live?udp"));
    EXPECT_TRUE(livevideo::urlChoosesTransport("rtsp://camera/live?channel=1&multicast"));
}

}  // namespace
