// The RTSP source library against the loopback camera: what arrives through the callback, and how
// opening, closing and failing behave.
#include "app/util/sps_parser.h"
#include "platform/livevideo.h"
#include "tests/support/h264_mp4_file.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Nal = std::vector<uint8_t>;
using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;

constexpr int kOpenTimeoutMs = 2000;
constexpr auto kStreamWait = 10s;  // a bound against hanging, not an expected duration

int TypeOf(const Nal& nal) { return nal[0] & 0x1F; }
bool IsSlice(const Nal& nal) { return TypeOf(nal) == 1 || TypeOf(nal) == 5; }
bool StartsPicture(const Nal& nal) { return IsSlice(nal) && nal.size() > 1 && (nal[1] & 0x80) != 0; }

// Gathers what the source hands over, and notices a callback that comes after close returned.
struct NalCollector {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Nal> nals;
    std::vector<int> wrongTypes;
    std::atomic<bool> closed{false};
    std::atomic<int> callbacksAfterClose{0};

    static void OnData(int type, const unsigned char* data, int length, void* self)
    {
        auto* collector = static_cast<NalCollector*>(self);
        if (collector->closed) {
            ++collector->callbacksAfterClose;
        }
        std::lock_guard lock(collector->mutex);
        if (type != RTSP_SOURCE_DATA_H264_NAL || length <= 0) {
            collector->wrongTypes.push_back(type);
        } else {
            collector->nals.emplace_back(data, data + length);
        }
        collector->changed.notify_all();
    }

    // Waits until done(nals) holds; false when it does not within kStreamWait.
    bool WaitUntil(const std::function<bool(const std::vector<Nal>&)>& done)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kStreamWait, [&] { return done(nals); });
    }

    std::vector<Nal> Snapshot()
    {
        std::lock_guard lock(mutex);
        return nals;
    }
};

std::function<bool(const std::vector<Nal>&)> PicturesAtLeast(int count)
{
    return [count](const std::vector<Nal>& nals) {
        return std::count_if(nals.begin(), nals.end(), StartsPicture) >= count;
    };
}

std::function<bool(const std::vector<Nal>&)> KeyFramesAtLeast(int count)
{
    return [count](const std::vector<Nal>& nals) {
        return std::count_if(nals.begin(), nals.end(), [](const Nal& n) { return TypeOf(n) == 5 && StartsPicture(n); }) >=
               count;
    };
}

using SourcePtr = std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)>;

SourcePtr NewSource(NalCollector& collector)
{
    return SourcePtr(rtsp_source_new(&NalCollector::OnData, &collector), &rtsp_source_free);
}

// Opens and plays the camera's stream; fails the test when either step does.
SourcePtr Play(const LoopbackRtspCamera& camera, NalCollector& collector)
{
    SourcePtr source = NewSource(collector);
    EXPECT_NE(source, nullptr);
    EXPECT_EQ(rtsp_source_open(source.get(), camera.Url().c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_OK);
    EXPECT_EQ(rtsp_source_play(source.get()), RTSP_SOURCE_OK);
    return source;
}

LoopbackRtspCamera& Started(LoopbackRtspCamera& camera)
{
    camera.Start();
    return camera;
}

// Decodes the NAL units picture by picture (each picture's NAL units with start codes in one
// packet) with error detection on.
struct Decoded {
    int pictures = 0;  // -1 after a decoding error
    int width = 0;
    int height = 0;
};

Decoded DecodeStrictly(const std::vector<Nal>& nals)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    Decoded result;
    bool failed = avcodec_open2(context, codec, nullptr) < 0;
    auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
            failed = failed || frame->decode_error_flags != 0;
            ++result.pictures;
            result.width = frame->width;
            result.height = frame->height;
        }
    };
    std::vector<uint8_t> picture;
    bool pictureHasSlices = false;
    auto send = [&] {
        if (pictureHasSlices && !failed) {
            av_new_packet(packet, static_cast<int>(picture.size()));
            std::copy(picture.begin(), picture.end(), packet->data);
            failed = avcodec_send_packet(context, packet) < 0;
            av_packet_unref(packet);
            drain();
        }
        picture.clear();
        pictureHasSlices = false;
    };
    for (const Nal& nal : nals) {
        if ((StartsPicture(nal) && pictureHasSlices) || (!IsSlice(nal) && pictureHasSlices)) {
            send();
        }
        picture.insert(picture.end(), {0, 0, 0, 1});
        picture.insert(picture.end(), nal.begin(), nal.end());
        pictureHasSlices = pictureHasSlices || IsSlice(nal);
    }
    send();
    avcodec_send_packet(context, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    if (failed) {
        result.pictures = -1;
    }
    return result;
}

// The NAL units in front of the last picture's first slice: the pictures known to be complete.
std::vector<Nal> CompletePictures(std::vector<Nal> nals)
{
    const auto last = std::find_if(nals.rbegin(), nals.rend(), StartsPicture);
    if (last != nals.rend()) {
        nals.erase(std::prev(last.base()), nals.end());
    }
    return nals;
}

// A TCP port on loopback that nothing listens on (bound for a moment, then released).
int ClosedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

// A loopback listener that never accepts nor answers: connections complete and then stay silent.
class SilentListener {
public:
    SilentListener() : fd_(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 4);
        socklen_t size = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(fd_); }
    int Port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

TEST(RtspSourceStream, SessionParameterSetsComeFirstThenOneWholeNalUnitPerCallback)
{
    LoopbackRtspCamera camera;
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(PicturesAtLeast(8)));
    rtsp_source_close(source.get());

    const std::vector<Nal> nals = CompletePictures(collector.Snapshot());
    ASSERT_GE(nals.size(), 3u);
    EXPECT_EQ(TypeOf(nals[0]), 7);
    EXPECT_EQ(TypeOf(nals[1]), 8);
    EXPECT_TRUE(collector.wrongTypes.empty());
    for (const Nal& nal : nals) {
        EXPECT_EQ(nal[0] & 0x80, 0) << "forbidden bit set: not a NAL unit header";
        EXPECT_FALSE(nal.size() >= 3 && nal[0] == 0 && nal[1] == 0 && (nal[2] == 1 || nal[2] == 0)) << "start code";
        EXPECT_FALSE(IsSlice(nal) && !StartsPicture(nal)) << "one slice per picture was sent";
    }
    const Decoded decoded = DecodeStrictly(nals);
    EXPECT_GE(decoded.pictures, 7);
    EXPECT_EQ(decoded.width, 320);
    EXPECT_EQ(decoded.height, 240);
}

TEST(RtspSourceStream, FullHdKeyFramesArriveWholeWithAnSpsOf1920By1088)
{
    LoopbackRtspCameraOptions options;
    options.width = 1920;
    options.height = 1080;
    options.keyFrameInterval = 5;
    LoopbackRtspCamera camera(options);
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(KeyFramesAtLeast(2)));
    rtsp_source_close(source.get());

    const std::vector<Nal> nals = collector.Snapshot();
    ASSERT_EQ(TypeOf(nals[0]), 7);
    int width = 0;
    int height = 0;
    GetFrameSizeFromSps(nals[0].data(), static_cast<int>(nals[0].size()), &width, &height);
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1088);
    // A full-HD key frame spans many RTP packets: it must come out as one unit that decodes cleanly.
    const Decoded decoded = DecodeStrictly(nals);
    EXPECT_GE(decoded.pictures, 6);  // two key frames and the four pictures between them
    EXPECT_EQ(decoded.width, 1920);
    EXPECT_EQ(decoded.height, 1080);
}

TEST(RtspSourceStream, EachSliceOfAMultiSlicePictureArrivesInACallbackOfItsOwn)
{
    LoopbackRtspCameraOptions options;
    options.width = 640;
    options.height = 480;
    options.slicesPerPicture = 4;
    LoopbackRtspCamera camera(options);
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(PicturesAtLeast(4)));
    rtsp_source_close(source.get());

    const std::vector<Nal> nals = CompletePictures(collector.Snapshot());
    const auto slices = std::count_if(nals.begin(), nals.end(), IsSlice);
    const auto pictures = std::count_if(nals.begin(), nals.end(), StartsPicture);
    EXPECT_EQ(slices, 4 * pictures);
    EXPECT_EQ(DecodeStrictly(nals).pictures, pictures);
}

TEST(RtspSourceParameterSets, InBandSetsArriveBeforeTheKeyFrameWhenTheSessionDescriptionLacksThem)
{
    LoopbackRtspCameraOptions options;
    options.parameterSetsInSessionDescription = false;
    LoopbackRtspCamera camera(options);
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(KeyFramesAtLeast(1)));
    rtsp_source_close(source.get());

    const std::vector<Nal> nals = collector.Snapshot();
    const auto keyFrame = std::find_if(nals.begin(), nals.end(), [](const Nal& n) { return TypeOf(n) == 5; });
    // Exactly one SPS and one PPS in front: the stream's own, none from the session description.
    EXPECT_EQ(std::count_if(nals.begin(), keyFrame, [](const Nal& n) { return TypeOf(n) == 7; }), 1);
    EXPECT_EQ(std::count_if(nals.begin(), keyFrame, [](const Nal& n) { return TypeOf(n) == 8; }), 1);
    EXPECT_EQ(TypeOf(nals[0]), 7);
}

TEST(RtspSourceParameterSets, AreSentAgainBeforeEveryKeyFrameOfAStreamThatCarriesThemOnlyInTheDescription)
{
    test_support::ScopedTempDir dir;
    const std::filesystem::path file = dir.path() / "gop5.mp4";
    test_support::WriteH264Mp4File(file, 320, 240, 20, 5);
    LoopbackRtspCameraOptions options;
    options.file = file;
    options.parameterSetsInBand = false;
    LoopbackRtspCamera camera(options);
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(KeyFramesAtLeast(3)));
    rtsp_source_close(source.get());

    const std::vector<Nal> nals = collector.Snapshot();
    ASSERT_EQ(TypeOf(nals[0]), 7);
    ASSERT_EQ(TypeOf(nals[1]), 8);
    int keyFrames = 0;
    for (size_t i = 2; i < nals.size(); ++i) {
        if (TypeOf(nals[i]) == 5 && StartsPicture(nals[i])) {
            ++keyFrames;
            // The first key frame follows the description's sets (with perhaps an SEI between).
            if (keyFrames > 1) {
                EXPECT_EQ(nals[i - 2], nals[0]) << "key frame " << keyFrames;
                EXPECT_EQ(nals[i - 1], nals[1]) << "key frame " << keyFrames;
            }
        }
    }
    EXPECT_GE(keyFrames, 3);
    EXPECT_EQ(std::count_if(nals.begin(), nals.end(), [](const Nal& n) { return TypeOf(n) == 7; }), keyFrames);
}

TEST(RtspSourceLifecycle, CloseFromAnotherThreadReturnsPromptlyWhileTheServerIsSilent)
{
    LoopbackRtspCamera camera;
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(PicturesAtLeast(1)));
    camera.SetStalled(true);
    std::this_thread::sleep_for(100ms);  // the source is now waiting for data that does not come

    auto closing = std::async(std::launch::async, [&] {
        rtsp_source_close(source.get());
        collector.closed = true;
    });
    ASSERT_EQ(closing.wait_for(kStreamWait), std::future_status::ready);
    camera.SetStalled(false);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(collector.callbacksAfterClose, 0);
}

TEST(RtspSourceLifecycle, NoCallbackFollowsCloseAndTheSourceCanBeOpenedAgain)
{
    LoopbackRtspCameraOptions options;
    options.width = 1280;
    options.height = 720;
    LoopbackRtspCamera camera(options);
    NalCollector collector;
    SourcePtr source = Play(Started(camera), collector);
    ASSERT_TRUE(collector.WaitUntil(PicturesAtLeast(3)));
    rtsp_source_close(source.get());  // in the middle of a flowing stream
    collector.closed = true;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(collector.callbacksAfterClose, 0);

    const size_t before = collector.Snapshot().size();
    collector.closed = false;
    ASSERT_EQ(rtsp_source_open(source.get(), camera.Url().c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_OK);
    ASSERT_EQ(rtsp_source_play(source.get()), RTSP_SOURCE_OK);
    ASSERT_TRUE(collector.WaitUntil([before](const std::vector<Nal>& nals) { return nals.size() >= before + 2; }));
    const std::vector<Nal> nals = collector.Snapshot();
    EXPECT_EQ(TypeOf(nals[before]), 7);
    EXPECT_EQ(TypeOf(nals[before + 1]), 8);
}

TEST(RtspSourceOpen, FailsWithANegativeResultOnBadUrlsClosedPortsAndUnknownStreams)
{
    LoopbackRtspCamera camera;
    Started(camera);
    NalCollector collector;
    SourcePtr source = NewSource(collector);
    const std::string closedPort = "rtsp://127.0.0.1:" + std::to_string(ClosedPort()) + "/live";
    EXPECT_LT(rtsp_source_open(source.get(), closedPort.c_str(), 0, kOpenTimeoutMs), 0);
    EXPECT_LT(rtsp_source_open(source.get(), (camera.Url() + "-none").c_str(), 0, kOpenTimeoutMs), 0);
    for (const char* bad : {"", "rtsp://", "http://127.0.0.1/live", "127.0.0.1:554/live", "rtsp:///live"}) {
        EXPECT_EQ(rtsp_source_open(source.get(), bad, 0, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT) << bad;
    }
    EXPECT_EQ(rtsp_source_open(source.get(), nullptr, 0, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT);
    EXPECT_EQ(rtsp_source_open(source.get(), camera.Url().c_str(), 1, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT);
    EXPECT_EQ(rtsp_source_play(source.get()), RTSP_SOURCE_ERROR_ARGUMENT);  // not open
    EXPECT_EQ(rtsp_source_open(nullptr, camera.Url().c_str(), 0, kOpenTimeoutMs), RTSP_SOURCE_ERROR_ARGUMENT);
    EXPECT_EQ(rtsp_source_new(nullptr, nullptr), nullptr);
    EXPECT_TRUE(collector.Snapshot().empty());
}

TEST(RtspSourceOpen, GivesUpOnASilentListenerWithinItsTimeOut)
{
    SilentListener listener;
    NalCollector collector;
    SourcePtr source = NewSource(collector);
    const std::string url = "rtsp://127.0.0.1:" + std::to_string(listener.Port()) + "/live";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rtsp_source_open(source.get(), url.c_str(), 0, 300), RTSP_SOURCE_ERROR_SERVER);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);  // not stuck until the server answers
}

}  // namespace
