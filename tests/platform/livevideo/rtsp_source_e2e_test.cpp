// The RTSP source library against the loopback camera: what arrives through the callback, and how
// opening, closing and failing behave.
#include "app/player/ffmpeg_owners.h"
#include "app/util/sps_parser.h"
#include "platform/livevideo/livevideo.h"
#include "tests/support/h264_mp4_file.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/reference_h264_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Nal = std::vector<uint8_t>;
using Nals = std::vector<Nal>;
using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;

constexpr int kOpenTimeoutMs = 2000;  // what a camera view passes
constexpr auto kStreamWait = 10s;     // a bound against hanging, not an expected duration

int TypeOf(const Nal& nal) { return nal[0] & 0x1F; }
bool IsSlice(const Nal& nal) { return TypeOf(nal) == 1 || TypeOf(nal) == 5; }
bool IsDelimiter(const Nal& nal) { return TypeOf(nal) == 9; }
bool StartsPicture(const Nal& nal) { return IsSlice(nal) && nal.size() > 1 && (nal[1] & 0x80) != 0; }

// A source and what it hands over; counts callbacks that come after close returned.
struct Receiver {
    std::mutex mutex;
    std::condition_variable changed;
    Nals nals;
    // Each picture time handed over, with the number of units that had come before it.
    std::vector<std::pair<size_t, uint32_t>> times;
    std::atomic<bool> closed{false};
    std::atomic<int> callbacksAfterClose{0};
    // Last, so that it is freed (and its thread joined) before what its callback uses.
    std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)> source{rtsp_source_new(&OnData, this), &rtsp_source_free};

    static void OnData(int type, const unsigned char* data, int length, void* self) {
        auto* receiver = static_cast<Receiver*>(self);
        receiver->callbacksAfterClose += receiver->closed ? 1 : 0;
        std::lock_guard lock(receiver->mutex);
        if (type == RTSP_SOURCE_DATA_PICTURE_TIME) {
            ASSERT_EQ(length, 4);
            const uint32_t time = (uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) | (data[2] << 8) | data[3];
            receiver->times.emplace_back(receiver->nals.size(), time);
            return;
        }
        EXPECT_EQ(type, RTSP_SOURCE_DATA_H264_NAL);
        ASSERT_GT(length, 0);
        receiver->nals.emplace_back(data, data + length);
        receiver->changed.notify_all();
    }

    void Play(const std::string& url) {
        EXPECT_EQ(rtsp_source_open(source.get(), url.c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_OK);
        EXPECT_EQ(rtsp_source_play(source.get()), RTSP_SOURCE_OK);
    }

    // Waits until count of the units from index `from` on are of the kind asked for.
    bool WaitFor(bool (*kind)(const Nal&), long count, size_t from = 0) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kStreamWait, [&] {
            return nals.size() > from && std::count_if(nals.begin() + from, nals.end(), kind) >= count;
        });
    }

    // Closes on another thread and waits for it within the bound. A close that does not return
    // leaves a thread stuck inside the source, and nothing can be cleaned up after it: the test
    // program then ends at once with the failure.
    void CloseFromAnotherThread(const std::string& when) {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> closing = done->get_future();
        std::thread([this, done] {
            rtsp_source_close(source.get());
            closed = true;
            done->set_value();
        }).detach();
        if (closing.wait_for(kStreamWait) != std::future_status::ready) {
            ADD_FAILURE() << "the close " << when << " never returned";
            std::fflush(stdout);
            std::_Exit(1);
        }
    }

    Nals Snapshot() {
        std::lock_guard lock(mutex);
        return nals;
    }
};

// The units in front of the last access unit delimiter: the pictures known to be complete.
Nals CompletePictures(Nals nals) {
    const auto last = std::find_if(nals.rbegin(), nals.rend(), IsDelimiter);
    nals.erase(last == nals.rend() ? nals.begin() : std::prev(last.base()), nals.end());
    return nals;
}

// The number of slices in front of each delimiter, from the previous one on; -1 for a delimiter
// that does not come right behind a slice.
std::vector<int> SlicesPerDelimitedPicture(const Nals& nals) {
    std::vector<int> counts;
    int slices = 0;
    for (size_t i = 0; i < nals.size(); ++i) {
        if (IsDelimiter(nals[i])) {
            counts.push_back(i > 0 && IsSlice(nals[i - 1]) ? slices : -1);
            slices = 0;
        }
        slices += IsSlice(nals[i]) ? 1 : 0;
    }
    return counts;
}

// Decodes the units picture by picture with libavcodec's error detection on, so that a unit cut
// or joined wrongly fails instead of being concealed. Pictures decoded, or -1 after an error.
int DecodeStrictly(const Nals& nals) {
    std::vector<uint8_t> stream;
    for (const Nal& nal : nals) {
        stream.insert(stream.end(), {0, 0, 0, 1});
        stream.insert(stream.end(), nal.begin(), nal.end());
    }
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecContextPtr context(avcodec_alloc_context3(codec));
    context->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER;
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    bool failed = avcodec_open2(context.get(), codec, nullptr) < 0;
    int decoded = 0;
    for (const auto& picture : test_support::SplitIntoPictures(stream)) {
        av_new_packet(packet.get(), static_cast<int>(picture.size()));
        std::copy(picture.begin(), picture.end(), packet->data);
        failed = failed || avcodec_send_packet(context.get(), packet.get()) < 0;
        av_packet_unref(packet.get());
        for (; avcodec_receive_frame(context.get(), frame.get()) == 0; ++decoded) {
            failed = failed || frame->decode_error_flags != 0;
        }
    }
    return failed ? -1 : decoded;
}

// Where each picture's units begin: its first slice, or the parameter sets or SEI in front of it,
// right behind the previous picture's delimiter.
std::vector<size_t> PictureStarts(const Nals& nals) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < nals.size(); ++i) {
        if (StartsPicture(nals[i])) {
            size_t start = i;
            while (start > 0 && !IsDelimiter(nals[start - 1]) && !IsSlice(nals[start - 1])) --start;
            starts.push_back(start);
        }
    }
    return starts;
}

// A full-HD key frame spans many RTP packets and must still come as one unit; a picture cut into
// slices comes one slice per callback; each picture is closed by an access unit delimiter right
// behind its last slice; a stream that carries its parameter sets only in the session description
// gets them again before every key frame. Each picture's RTP time (90 kHz) comes ahead of its first
// unit, the parameter sets put in front of a key frame included, and only then: the times step by
// one picture interval of the camera.
TEST(RtspSourceStream, HandsOverWholeNalUnitsClosesEachPictureRepeatsTheParameterSetsAndTimesEachPicture) {
    struct Case {
        int width, height, slicesPerPicture, spsHeight;  // the SPS codes whole macroblocks
        bool fromFileWithoutInBandSets;
        int rate;
    };
    test_support::ScopedTempDir dir;
    test_support::WriteH264Mp4File(dir.path() / "gop5.mp4", 320, 240, 20, 5, "", 30);
    for (const Case& c :
         {Case{1920, 1080, 1, 1088, false, 25}, Case{640, 480, 4, 480, false, 25}, Case{320, 240, 1, 240, true, 30}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << ", slices " << c.slicesPerPicture);
        LoopbackRtspCameraOptions options;
        options.width = c.width;
        options.height = c.height;
        options.slicesPerPicture = c.slicesPerPicture;
        options.keyFrameInterval = 5;
        options.framesPerSecond = c.rate;
        if (c.fromFileWithoutInBandSets) {
            options.file = dir.path() / "gop5.mp4";
            options.parameterSetsInBand = false;
        }
        LoopbackRtspCamera camera(options);
        camera.Start();
        Receiver receiver;
        receiver.Play(camera.Url());
        ASSERT_TRUE(receiver.WaitFor(StartsPicture, 10));  // two key frames and the pictures between
        rtsp_source_close(receiver.source.get());

        const Nals nals = CompletePictures(receiver.nals);  // no callback after close
        ASSERT_GE(nals.size(), 3u);
        EXPECT_EQ(TypeOf(nals[0]), 7);
        EXPECT_EQ(TypeOf(nals[1]), 8);
        int width = 0, height = 0;
        GetFrameSizeFromSps(nals[0].data(), static_cast<int>(nals[0].size()), &width, &height);
        EXPECT_EQ((std::vector<int>{width, height}), (std::vector<int>{c.width, c.spsHeight}));
        int keyFrames = 0;
        for (size_t i = 0; i < nals.size(); ++i) {
            // The first key frame may come behind an SEI.
            if (TypeOf(nals[i]) == 5 && StartsPicture(nals[i]) && ++keyFrames > 1) {
                EXPECT_TRUE(nals[i - 2] == nals[0] && nals[i - 1] == nals[1]) << "key frame " << keyFrames;
            }
        }
        EXPECT_GE(keyFrames, 2);
        const auto pictures = std::count_if(nals.begin(), nals.end(), StartsPicture);
        EXPECT_EQ(std::count_if(nals.begin(), nals.end(), IsSlice), c.slicesPerPicture * pictures);
        const std::vector<int> slicesPerPicture = SlicesPerDelimitedPicture(receiver.nals);
        EXPECT_EQ(slicesPerPicture, std::vector<int>(static_cast<size_t>(pictures), c.slicesPerPicture));
        EXPECT_EQ(DecodeStrictly(nals), pictures);

        const std::vector<size_t> starts = PictureStarts(receiver.nals);
        ASSERT_GE(starts.size(), 10u);
        // One time per picture; the last may have come without its picture's units before the close.
        ASSERT_GE(receiver.times.size(), starts.size());
        ASSERT_LE(receiver.times.size(), starts.size() + 1);
        EXPECT_GE(receiver.times.front().first, 2u) << "the description's parameter sets come first, without a time";
        // The first picture's time may come ahead of an SEI or parameter sets it shares a buffer with.
        for (size_t k = 1; k < starts.size(); ++k) {
            EXPECT_EQ(receiver.times[k].first, starts[k]) << "picture " << k;
            // The camera's clock gives a picture's time in nanoseconds, rounded down to the 90 kHz clock.
            // A file's pictures come one interval apart; a live encoder that falls behind under load
            // skips pictures, and its steps are then whole intervals.
            const int64_t step = static_cast<uint32_t>(receiver.times[k].second - receiver.times[k - 1].second);
            const int64_t interval = 90000 / c.rate;
            const int64_t intervals =
                c.fromFileWithoutInBandSets ? 1 : std::max<int64_t>(1, (step + interval / 2) / interval);
            EXPECT_NEAR(step, intervals * interval, 1) << "picture " << k;
        }
    }
}

// The transport options leave the URL before the server sees it; the others stay.
TEST(RtspSourceStream, PlaysOverTheTransportItsUrlAsksFor) {
    LoopbackRtspCamera camera;
    camera.Start();
    for (const char* options : {"?udp", "?http", "?multicast&tcp", "?tcp&channel=1"}) {
        SCOPED_TRACE(options);
        Receiver receiver;
        receiver.Play(camera.Url() + options);
        EXPECT_TRUE(receiver.WaitFor(StartsPicture, 3));
        EXPECT_TRUE(receiver.WaitFor(IsDelimiter, 3));
    }
}

TEST(RtspSourceLifecycle, CloseFromAnotherThreadReturnsPromptlyAndNoCallbackFollowsWhetherFlowingOrStalled) {
    LoopbackRtspCameraOptions options;
    options.width = 1280;
    options.height = 720;
    LoopbackRtspCamera camera(options);
    camera.Start();
    Receiver receiver;
    receiver.Play(camera.Url());
    ASSERT_TRUE(receiver.WaitFor(StartsPicture, 3));
    receiver.CloseFromAnotherThread("in the middle of a flowing stream");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(receiver.callbacksAfterClose, 0);

    // Opened again, the source starts over with the parameter sets.
    const size_t before = receiver.nals.size();
    receiver.closed = false;
    receiver.Play(camera.Url());
    ASSERT_TRUE(receiver.WaitFor(StartsPicture, 1, before));
    const Nals nals = receiver.Snapshot();
    EXPECT_EQ(TypeOf(nals[before]), 7);
    EXPECT_EQ(TypeOf(nals[before + 1]), 8);

    camera.SetStalled(true);
    std::this_thread::sleep_for(100ms);  // the source now waits for data that does not come
    receiver.CloseFromAnotherThread("of a stalled stream");
    camera.SetStalled(false);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(receiver.callbacksAfterClose, 0);
}

// A view may stop while its start still runs: close on another thread meets play at any point.
// A stream that has ended by itself must not look as if it were playing.
TEST(RtspSourceLifecycle, CloseMayRacePlayAndPlayAnswersFailureOnceTheStreamHasEnded) {
    LoopbackRtspCamera camera;
    camera.Start();
    Receiver receiver;
    rtsp_source* source = receiver.source.get();
    for (int round = 0; round < 10; ++round) {
        receiver.closed = false;
        // The race is the point here, not the time-out: a slow (instrumented) build gets room to open.
        ASSERT_EQ(rtsp_source_open(source, camera.Url().c_str(), 0, 5 * kOpenTimeoutMs), RTSP_SOURCE_OK);
        auto playing = std::async(std::launch::async, [source] { return rtsp_source_play(source); });
        std::this_thread::sleep_for(round * 2ms);  // early rounds close first, late ones after the play
        rtsp_source_close(source);
        receiver.closed = true;
        const int played = playing.get();  // a play that came second finds the source closed
        EXPECT_TRUE(played == RTSP_SOURCE_OK || played == RTSP_SOURCE_ERROR_SERVER ||
                    played == RTSP_SOURCE_ERROR_ARGUMENT)
            << played;
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(receiver.callbacksAfterClose, 0);

    receiver.closed = false;
    receiver.Play(camera.Url());
    ASSERT_TRUE(receiver.WaitFor(StartsPicture, 1));
    EXPECT_EQ(rtsp_source_play(source), RTSP_SOURCE_OK);  // still playing
    camera.Stop();                                        // the connection drops and the reader ends
    int played = RTSP_SOURCE_OK;
    for (auto giveUp = std::chrono::steady_clock::now() + kStreamWait;
         played == RTSP_SOURCE_OK && std::chrono::steady_clock::now() < giveUp;) {
        std::this_thread::sleep_for(10ms);
        played = rtsp_source_play(source);
    }
    EXPECT_EQ(played, RTSP_SOURCE_ERROR_SERVER);
}

// A camera whose stream ends just as the view stops (a recording played back, any server that
// announces where its stream ends): the close meets the client's own shutdown of the ended session
// at every moment around the end, 200 times, and must return each time.
TEST(RtspSourceLifecycle, CloseReturnsWhenTheStreamEndsAtAnyMomentAroundIt) {
    test_support::ScopedTempDir dir;
    test_support::WriteH264Mp4File(dir.path() / "two.mp4", 320, 240, 2, 25);  // ends after 80 ms
    LoopbackRtspCameraOptions options;
    options.file = dir.path() / "two.mp4";
    LoopbackRtspCamera camera(options);
    camera.Start();
    Receiver receiver;
    for (int round = 0; round < 200; ++round) {
        receiver.closed = false;
        ASSERT_EQ(rtsp_source_open(receiver.source.get(), camera.Url().c_str(), 0, 5 * kOpenTimeoutMs), RTSP_SOURCE_OK);
        rtsp_source_play(receiver.source.get());
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 40 * 5));  // 0 to 195 ms
        receiver.CloseFromAnotherThread("of round " + std::to_string(round));
    }
    EXPECT_EQ(receiver.callbacksAfterClose, 0);
}

TEST(RtspSourceOpen, FailsWithANegativeResultOnBadUrlsUnknownStreamsSilentServersAndClosedPorts) {
    LoopbackRtspCamera camera;
    camera.Start();
    Receiver receiver;
    rtsp_source* source = receiver.source.get();
    EXPECT_LT(rtsp_source_open(source, (camera.Url() + "-none").c_str(), 0, kOpenTimeoutMs), 0);
    for (const char* bad : {"", "rtsp://", "http://127.0.0.1/live", "127.0.0.1:554/live", "rtsp:///live"}) {
        EXPECT_EQ(rtsp_source_open(source, bad, 0, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT) << bad;
    }
    EXPECT_EQ(rtsp_source_open(source, nullptr, 0, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT);
    EXPECT_EQ(rtsp_source_open(source, camera.Url().c_str(), 1, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT);
    EXPECT_EQ(rtsp_source_play(source), RTSP_SOURCE_ERROR_ARGUMENT);  // not open
    EXPECT_EQ(rtsp_source_open(nullptr, camera.Url().c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT);
    EXPECT_EQ(rtsp_source_new(nullptr, nullptr), nullptr);

    // A listener that accepts nothing and answers nothing: the open gives up at its time-out.
    test_support::LoopbackDevicePeer silent;
    const std::string url = "rtsp://127.0.0.1:" + std::to_string(silent.port()) + "/live";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rtsp_source_open(source, url.c_str(), 0, 300), RTSP_SOURCE_ERROR_SERVER);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    silent.stopListening();  // now the port refuses
    EXPECT_LT(rtsp_source_open(source, url.c_str(), 0, kOpenTimeoutMs), 0);
    EXPECT_TRUE(receiver.nals.empty());
}

}  // namespace
