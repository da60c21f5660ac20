// How the RTSP source rebuilds NAL units from depacketised RTP payloads and where it puts the
// parameter sets.
#include "platform/livevideo/nal_assembler.h"
#include "platform/livevideo/parameter_set_repeater.h"
#include "platform/livevideo/rtsp_url.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using livevideo::NalAssembler;
using livevideo::ParameterSetRepeater;

struct Sink {
    std::vector<Bytes> units;
    void operator()(const uint8_t* data, size_t size) { units.emplace_back(data, data + size); }
};

void Push(NalAssembler& assembler, const Bytes& packet, Sink& sink)
{
    assembler.push(packet.data(), packet.size(), sink);
}

TEST(NalAssembler, JoinsFragmentsAndSplitsAggregatesIntoWholeUnits)
{
    NalAssembler assembler;
    Sink sink;
    Push(assembler, {0, 0, 0, 1, 0x65, 0xAA}, sink);  // first fragment of a key frame
    Push(assembler, {0xBB, 0x00, 0xCC}, sink);        // the fragments after it
    Push(assembler, {0x00, 0xDD}, sink);
    EXPECT_TRUE(sink.units.empty()) << "a unit is whole only once the next one begins";
    Push(assembler, {0, 0, 0, 1, 0x67, 0x11, 0, 0, 1, 0x68, 0x22, 0, 0, 0, 1, 0x41, 0x33}, sink);
    EXPECT_EQ(sink.units, (std::vector<Bytes>{{0x65, 0xAA, 0xBB, 0x00, 0xCC, 0x00, 0xDD}, {0x67, 0x11}, {0x68, 0x22}}));
    assembler.flush(sink);
    EXPECT_EQ(sink.units.back(), (Bytes{0x41, 0x33}));
}

TEST(NalAssembler, DropsContinuationsWithoutTheirStartAndUnitsPastTheBound)
{
    NalAssembler assembler;
    Sink sink;
    Push(assembler, {0x12, 0x34}, sink);  // joined in the middle of a fragmented unit
    assembler.flush(sink);
    EXPECT_TRUE(sink.units.empty());

    Push(assembler, {0, 0, 1, 0x65}, sink);
    const Bytes chunk(1024 * 1024, 0x5A);
    for (size_t total = 0; total <= NalAssembler::kMaxNalSize; total += chunk.size()) {
        Push(assembler, chunk, sink);
    }
    Push(assembler, {0, 0, 1, 0x41, 0x01}, sink);
    assembler.flush(sink);
    EXPECT_EQ(sink.units, (std::vector<Bytes>{{0x41, 0x01}}));
}

TEST(ParameterSetRepeater, SendsKeptSetsAgainOnlyBeforeKeyFramesThatLackThem)
{
    const Bytes sps{0x67, 0x42}, pps{0x68, 0xCE}, newSps{0x67, 0x4D}, newPps{0x68, 0xEE};
    const Bytes idr{0x65, 0x88}, idrSecondSlice{0x65, 0x08}, p{0x41, 0x9A};
    const Bytes extradata{0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x68, 0xCE};
    ParameterSetRepeater repeater;
    repeater.load(extradata.data(), extradata.size());
    Sink sink;
    auto pass = [&](const Bytes& nal) { repeater.pass(nal.data(), nal.size(), sink); };

    repeater.start(sink);
    pass(idr);  // follows the description's sets: nothing added
    pass(p);
    pass(idr);  // lacks them: both again
    pass(idrSecondSlice);
    pass(newSps);
    pass(newPps);
    pass(idr);  // came with its own
    pass(idr);  // lacks them: the stream's newer sets
    EXPECT_EQ(sink.units, (std::vector<Bytes>{sps, pps, idr, p, sps, pps, idr, idrSecondSlice, newSps, newPps, idr,
                                              newSps, newPps, idr}));
}

TEST(ParameterSetRepeater, ReadsAvcCAndKeepsWhatPrecedesACutOffRecord)
{
    const Bytes avcc{1, 0x42, 0xC0, 0x1E, 0xFF, 0xE1, 0, 2, 0x67, 0x42, 1, 0, 2, 0x68, 0xCE};
    ParameterSetRepeater repeater;
    Sink whole;
    repeater.load(avcc.data(), avcc.size());
    repeater.start(whole);
    EXPECT_EQ(whole.units, (std::vector<Bytes>{{0x67, 0x42}, {0x68, 0xCE}}));

    Sink cut;
    repeater.load(avcc.data(), avcc.size() - 1);  // the PPS record claims a byte more than is there
    repeater.start(cut);
    EXPECT_EQ(cut.units, (std::vector<Bytes>{{0x67, 0x42}}));
}

TEST(RtspUrl, AcceptsOnlyRtspWithAHostAndTcpUnlessTheUrlChoosesATransport)
{
    EXPECT_TRUE(livevideo::isRtspUrl("rtsp://10.1.2.3/live"));
    EXPECT_TRUE(livevideo::isRtspUrl("RTSPS://camera:322/x"));
    EXPECT_FALSE(livevideo::isRtspUrl("rtsp://"));
    EXPECT_FALSE(livevideo::isRtspUrl("rtsp:///live"));
    EXPECT_FALSE(livevideo::isRtspUrl("file:///etc/passwd"));
    EXPECT_FALSE(livevideo::urlChoosesTransport("rtsp://camera/live"));
    EXPECT_FALSE(livevideo::urlChoosesTransport("rtsp://camera/live?channel=1&tcp"));
    EXPECT_TRUE(livevideo::urlChoosesTransport("rtsp://camera/live?udp"));
    EXPECT_TRUE(livevideo::urlChoosesTransport("rtsp://camera/live?channel=1&multicast"));
}

}  // namespace
