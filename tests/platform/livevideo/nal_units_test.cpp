// How the RTSP source cuts the depacketiser's buffers into NAL units, closes pictures, bounds
// fragmented units, places the parameter sets and reads the transport from the URL.
#include "platform/livevideo/access_unit_closer.h"
#include "platform/livevideo/annexb.h"
#include "platform/livevideo/fragment_bound.h"
#include "platform/livevideo/parameter_set_repeater.h"
#include "platform/livevideo/rtsp_url.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Units = std::vector<Bytes>;

const Bytes kDelimiter{0x09, 0xF0};

// Keeps every unit handed to it.
struct Sink {
    Units units;
    void operator()(const uint8_t* data, size_t size) { units.emplace_back(data, data + size); }
};

TEST(NalUnits, SplitsABufferAtItsStartCodesAndTellsWhichUnitIsLast) {
    const Bytes buffer{9, 0, 0, 0, 1, 0x67, 0x11, 0, 0, 1, 0x68, 0x22, 0, 0, 0, 0, 1, 0x65, 0x33, 0};
    Units units;
    std::vector<bool> last;
    livevideo::forEachNalUnit(buffer.data(), buffer.size(), [&](const uint8_t* nal, size_t size, bool isLast) {
        units.emplace_back(nal, nal + size);
        last.push_back(isLast);
    });
    EXPECT_EQ(units, (Units{{0x67, 0x11}, {0x68, 0x22}, {0x65, 0x33}}));
    EXPECT_EQ(last, (std::vector<bool>{false, false, true}));
}

struct Closer : livevideo::AccessUnitCloser, Sink {
    void Pass(const Bytes& nal, bool marked) { pass(nal.data(), nal.size(), marked, static_cast<Sink&>(*this)); }
};

// A delimiter right behind each marked slice, the camera's own taken only once; marks on units
// before a picture close nothing, and marks that cut a picture are distrusted until a new stream.
TEST(AccessUnitCloser, PutsADelimiterRightBehindEachMarkedSliceAndDistrustsMarksThatCutAPicture) {
    const Bytes sps{0x67, 0x42}, pps{0x68, 0xCE}, sei{0x06, 0x05}, idr{0x65, 0x88}, p{0x41, 0x9A};
    const Bytes cameraDelimiter{0x09, 0x10}, firstSlice{0x41, 0x9A}, secondSlice{0x41, 0x20};
    Closer c;
    c.Pass(sps, true);  // some cameras mark their parameter sets
    c.Pass(pps, true);
    c.Pass(sei, false);
    c.Pass(idr, true);
    c.Pass(cameraDelimiter, false);  // a camera that delimits its pictures itself
    c.Pass(p, true);
    c.Pass(firstSlice, false);  // a picture of two slices, marked on its last
    c.Pass(secondSlice, true);
    c.Pass(cameraDelimiter, false);
    c.Pass(cameraDelimiter, false);
    EXPECT_EQ(c.units, (Units{sps, pps, sei, idr, kDelimiter, p, kDelimiter, firstSlice, secondSlice, kDelimiter,
                              cameraDelimiter}));

    // A camera that marks every slice: once a second slice follows a delimiter, no more are made.
    c.units.clear();
    for (const Bytes& nal : {firstSlice, secondSlice, firstSlice, secondSlice, p}) {
        c.Pass(nal, true);
    }
    EXPECT_EQ(c.units, (Units{firstSlice, kDelimiter, secondSlice, firstSlice, secondSlice, p}));
    c.reset();
    c.Pass(p, true);
    EXPECT_EQ(c.units.back(), kDelimiter) << "a new stream is trusted again";
}

// FU-A payload: indicator (type 28), then the FU header with its start and end flags.
Bytes Fragment(bool start, bool end, size_t size) {
    Bytes payload(size, 0x5A);
    payload[0] = 0x7C;
    payload[1] = static_cast<uint8_t>((start ? 0x80 : 0) | (end ? 0x40 : 0) | 5);
    return payload;
}

TEST(FragmentBound, HoldsBackTheRestOfAFragmentedUnitPastTheBoundUntilItsEnd) {
    livevideo::FragmentBound bound;
    const auto admit = [&bound](const Bytes& payload) { return bound.admit(payload.data(), payload.size()); };
    constexpr size_t kChunk = 60000;
    EXPECT_TRUE(admit(Fragment(true, false, kChunk)));
    EXPECT_TRUE(admit(Fragment(false, true, kChunk)));
    EXPECT_TRUE(admit(Bytes{0x41, 0x9A}));  // a single unit

    EXPECT_TRUE(admit(Fragment(true, false, kChunk)));
    size_t admitted = kChunk;
    while (admit(Fragment(false, false, kChunk))) {
        admitted += kChunk;
    }
    EXPECT_LE(admitted, livevideo::FragmentBound::kMaxNalSize);
    EXPECT_GT(admitted + kChunk, livevideo::FragmentBound::kMaxNalSize);
    EXPECT_FALSE(admit(Fragment(false, false, kChunk)));
    EXPECT_FALSE(admit(Fragment(false, true, kChunk)));  // its end, held back too
    EXPECT_TRUE(admit(Fragment(true, true, kChunk)));    // the next unit is whole again
    EXPECT_TRUE(admit(Bytes{0x5C}));                     // too short to read: the depacketiser decides
}

// Kept sets go again only before key frames that lack them, never twice in a row. A stream joined
// between key frames: the sets handed over at its start served the pictures that came first, so
// the stream's own sets in front of its first key frame are not taken for repeats.
TEST(ParameterSetRepeater, SendsKeptSetsAgainOnlyBeforeKeyFramesThatLackThemAndNeverTwiceInARow) {
    const Bytes sps{0x67, 0x42}, pps{0x68, 0xCE}, newSps{0x67, 0x4D}, newPps{0x68, 0xEE};
    const Bytes idr{0x65, 0x88}, idrSecondSlice{0x65, 0x08}, p{0x41, 0x9A}, nonReferenceP{0x01, 0x9A};
    struct Case {
        Units stream, expected;
    };
    // The first stream repeats the description's sets before its first key frame; its third key
    // frame comes with new ones of its own.
    for (const Case& c :
         {Case{{sps, pps, idr, p, idr, idrSecondSlice, newSps, newPps, idr, idr},
               {sps, pps, idr, p, sps, pps, idr, idrSecondSlice, newSps, newPps, idr, newSps, newPps, idr}},
          Case{{p, nonReferenceP, sps, pps, idr, p, idr},
               {sps, pps, p, nonReferenceP, sps, pps, idr, p, sps, pps, idr}}}) {
        livevideo::ParameterSetRepeater repeater;
        repeater.add(sps.data(), sps.size());
        repeater.add(pps.data(), pps.size());
        repeater.add(p.data(), p.size());  // not a parameter set: ignored
        Sink sink;
        repeater.start(sink);
        for (const Bytes& nal : c.stream) repeater.pass(nal.data(), nal.size(), sink);
        EXPECT_EQ(sink.units, c.expected);
    }
}

TEST(RtspUrl, GoesOverTcpUnlessItsOptionsChooseATransportAndKeepsItsOtherOptions) {
    const livevideo::RtspTransport plain = livevideo::chooseTransport("rtsp://camera/live?channel=1");
    EXPECT_EQ(plain.location, "rtsp://camera/live?channel=1");
    EXPECT_TRUE(plain.tcp && !plain.udp && !plain.multicast && !plain.tunnel);

    const livevideo::RtspTransport udp = livevideo::chooseTransport("rtsp://camera/live?udp&channel=1");
    EXPECT_EQ(udp.location, "rtsp://camera/live?channel=1");
    EXPECT_TRUE(udp.udp && !udp.tcp);

    const livevideo::RtspTransport both = livevideo::chooseTransport("rtsp://camera/live?multicast&tcp");
    EXPECT_EQ(both.location, "rtsp://camera/live");
    EXPECT_TRUE(both.multicast && both.tcp && !both.udp);

    const livevideo::RtspTransport tunnel = livevideo::chooseTransport("rtsp://camera/live?https");
    EXPECT_TRUE(tunnel.tunnel && tunnel.tunnelOverTls && tunnel.tcp);
    EXPECT_FALSE(livevideo::isRtspUrl("rtsp://?udp"));
}

}  // namespace
