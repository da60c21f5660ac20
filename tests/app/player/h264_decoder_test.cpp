#include "app/player/h264_decoder.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/ffmpeg_tool_decode.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"
#include "tests/support/scoped_machine_folders.h"
#include "tests/support/video_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <random>
#include <set>
#include <thread>
#include <vector>

namespace {

using test_support::NalUnit;
using test_support::StreamOptions;

// Collects the decoder's pictures; while stalled, holds the decode thread inside the callback.
struct PictureSink {
    static void OnPicture(DataBuffer* picture, int width, int height, SampleRange range, void* user) {
        auto* sink = static_cast<PictureSink*>(user);
        std::unique_lock<std::mutex> guard(sink->mutex);
        EXPECT_EQ(picture->length, width * height * 3 / 2);
        sink->sizes.emplace_back(width, height);
        sink->ranges.push_back(range);
        sink->pictures.emplace_back(picture->data, picture->data + picture->length);
        sink->buffers.insert(picture);
        if (sink->pool != nullptr) {
            sink->pool->Give(picture);
        } else {
            ReleaseDataBuffer(picture);
        }
        sink->changed.notify_all();
        sink->changed.wait(guard, [sink] { return !sink->stalled; });
    }
    bool WaitForCount(size_t count) {
        std::unique_lock<std::mutex> guard(mutex);
        return changed.wait_for(guard, std::chrono::seconds(20), [&] { return pictures.size() >= count; });
    }
    void SetStalled(bool value) {
        std::lock_guard<std::mutex> guard(mutex);
        stalled = value;
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<int, int>> sizes;
    std::vector<SampleRange> ranges;
    std::vector<std::vector<uint8_t>> pictures;
    std::set<const DataBuffer*> buffers;
    PicturePool* pool = nullptr;  // where pictures go back, if anywhere
    bool stalled = false;
};

// A packet as the camera view makes it: a four-byte start code, then the unit.
DataBuffer* PacketOf(const NalUnit& unit) {
    DataBuffer* packet = AllocDataBuffer(static_cast<int32_t>(unit.size() + 4));
    std::memcpy(packet->data, "\0\0\0\1", 4);
    std::memcpy(packet->data + 4, unit.data(), unit.size());
    return packet;
}

void PushAll(H264Decoder& decoder, const std::vector<NalUnit>& units) {
    for (const NalUnit& unit : units) decoder.PushPacket(PacketOf(unit));
}

// Pushes every unit, keeping few enough pictures in flight that the queue bound drops nothing, then
// an end-of-stream unit so that the last picture is decoded too.
void Feed(H264Decoder& decoder, PictureSink& sink, const std::vector<NalUnit>& units, int reorderDelay) {
    size_t begun = 0;
    const size_t inFlight = 2 + static_cast<size_t>(reorderDelay);
    for (const NalUnit& unit : units) {
        const int type = test_support::NalType(unit);
        if ((type == 1 || type == 5) && unit.size() > 1 && (unit[1] & 0x80) != 0 && ++begun > inFlight) {
            ASSERT_TRUE(sink.WaitForCount(begun - inFlight));
        }
        decoder.PushPacket(PacketOf(unit));
    }
    decoder.PushPacket(PacketOf({0x0B}));
}

// Junk units, fewer than the queue holds, so none of the camera's units is dropped.
void PushJunk(H264Decoder& decoder) {
    std::mt19937 rng(7);
    for (int i = 0; i < 12; ++i) {
        NalUnit junk(1 + rng() % 300);
        std::generate(junk.begin(), junk.end(), [&] { return static_cast<uint8_t>(rng()); });
        junk[0] = static_cast<uint8_t>((junk[0] & 0x60) | std::vector<int>{1, 2, 5, 6, 9, 12}[rng() % 6]);
        decoder.PushPacket(PacketOf(junk));
    }
}

TEST(H264Decoder, SingleSliceFourSliceHighProfileAndPostJunkPicturesMatchFfmpegDecoding) {
    const struct {
        test_support::H264StreamOptions options;
        size_t slicesPerPicture;
        bool afterJunk;
    } cases[] = {
        {StreamOptions(320, 240, 12, "baseline"), 1, false},
        {StreamOptions(352, 288, 10, "main", "slices=4:bframes=0"), 4, false},
        {StreamOptions(320, 240, 12, "high", "bframes=2:cqm=jvt"), 1, false},
        {StreamOptions(176, 144, 6, "baseline"), 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.profile + " " + c.options.x264Params + (c.afterJunk ? " after junk" : ""));
        const std::vector<uint8_t> stream = test_support::MakeH264Stream(c.options);
        const test_support::ReferenceDecode reference = test_support::DecodeH264Reference(stream);
        ASSERT_EQ(reference.pictures.size(), static_cast<size_t>(c.options.frames));
        const std::vector<NalUnit> units = test_support::SplitAnnexB(stream);
        const auto slices =
            std::count_if(units.begin(), units.end(), [](auto& u) { return u[0] % 32 == 1 || u[0] % 32 == 5; });
        ASSERT_EQ(static_cast<size_t>(slices), c.slicesPerPicture * reference.pictures.size());

        PictureSink sink;
        H264Decoder decoder;
        ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
        if (c.afterJunk) PushJunk(decoder);
        Feed(decoder, sink, units, reference.reorderDelay);
        EXPECT_TRUE(sink.WaitForCount(reference.pictures.size() - static_cast<size_t>(reference.reorderDelay)));
        decoder.Close();
        ASSERT_LE(sink.pictures.size(), reference.pictures.size());
        const std::vector<std::pair<int, int>> sizes(sink.pictures.size(), {c.options.width, c.options.height});
        EXPECT_EQ(sink.sizes, sizes);
        EXPECT_TRUE(std::equal(sink.pictures.begin(), sink.pictures.end(), reference.pictures.begin()));
    }
}

struct StreamShape {
    const char* name;
    test_support::H264StreamOptions options;
    int width;  // of the pictures, once cropped
    int height;
    SampleRange range;
};

test_support::H264StreamOptions ShapeOptions(const std::string& profile, const std::string& pixelFormat,
                                             const std::string& x264Params = "") {
    test_support::H264StreamOptions options = StreamOptions(96, 64, 4, profile, "bframes=0" + x264Params);
    options.pixelFormat = pixelFormat;
    return options;
}

// Whatever chroma format, bit depth, cropping and range a stream has, its pictures come out as
// 8-bit I420 of the size the stream gives, with the range its samples are in, sample for sample as
// FFmpeg's own tool decodes (and for other formats converts) them. Cropping counts in luma pixels
// (x264's crop-rect: left, top, right, bottom); x264 marks a monochrome stream full range.
TEST(H264Decoder, EveryCropChromaFormatDepthAndRangeComesOutAsI420OfTheStreamsSizeAndRange) {
    const StreamShape shapes[] = {
        {"left crop", ShapeOptions("high", "yuv420p", ":crop-rect=8,0,0,0"), 88, 64, SampleRange::Studio},
        {"crop on every side", ShapeOptions("high", "yuv420p", ":crop-rect=6,4,10,14"), 80, 46, SampleRange::Studio},
        {"4:2:2", ShapeOptions("high422", "yuv422p"), 96, 64, SampleRange::Studio},
        {"4:4:4 odd crop", ShapeOptions("high444", "yuv444p", ":crop-rect=3,1,2,4"), 91, 59, SampleRange::Studio},
        {"10 bits", ShapeOptions("high10", "yuv420p10le"), 96, 64, SampleRange::Studio},
        {"full range", ShapeOptions("high", "yuvj420p"), 96, 64, SampleRange::Full},
        {"4:2:2 full range", ShapeOptions("high422", "yuvj422p"), 96, 64, SampleRange::Full},
        {"monochrome", ShapeOptions("high", "gray"), 96, 64, SampleRange::Full},
    };
    test_support::ScopedTempDir dir;
    for (const StreamShape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const std::vector<uint8_t> stream = test_support::MakeH264Stream(shape.options);
        const std::filesystem::path file = dir.path() / "stream.h264";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(stream.data()),
                                                    static_cast<std::streamsize>(stream.size()));
        const auto reference = test_support::DecodeWithFfmpegTool(file, shape.width, shape.height, shape.range);
        ASSERT_EQ(reference.size(), static_cast<size_t>(shape.options.frames));

        PictureSink sink;
        H264Decoder decoder;
        ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
        Feed(decoder, sink, test_support::SplitAnnexB(stream), 0);
        EXPECT_TRUE(sink.WaitForCount(reference.size()));
        decoder.Close();
        ASSERT_EQ(sink.pictures.size(), reference.size());
        EXPECT_EQ(sink.sizes, (std::vector<std::pair<int, int>>(reference.size(), {shape.width, shape.height})));
        EXPECT_EQ(sink.ranges, std::vector<SampleRange>(reference.size(), shape.range));
        for (size_t i = 0; i < reference.size(); ++i) {
            EXPECT_EQ(test_support::LargestDifference(sink.pictures[i], reference[i]), 0) << i;
        }
    }
}

// The view's pictures given back to its pool are decoded into again: one buffer serves them all.
TEST(H264Decoder, PicturesGivenBackToThePoolItWasGivenAreDecodedIntoAgain) {
    const test_support::H264StreamOptions options = StreamOptions(160, 128, 8, "baseline");
    PicturePool pool;
    PictureSink sink;
    sink.pool = &pool;
    H264Decoder decoder(&pool);
    ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
    Feed(decoder, sink, test_support::SplitAnnexB(test_support::MakeH264Stream(options)), 0);
    EXPECT_TRUE(sink.WaitForCount(static_cast<size_t>(options.frames)));
    decoder.Close();
    EXPECT_EQ(sink.buffers.size(), 1u);
    EXPECT_EQ(pool.idle(), 1u);
}

TEST(H264Decoder, QueueKeepsOnlyTheNewest26PacketsWhileTheConsumerStalls) {
    PictureSink sink;
    sink.SetStalled(true);
    H264Decoder decoder;
    ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
    PushAll(decoder, test_support::SplitAnnexB(test_support::MakeH264Stream(StreamOptions(160, 128, 3, "baseline"))));
    ASSERT_TRUE(sink.WaitForCount(1));  // the decode thread now sits in the callback
    for (int i = 0; i < 100; ++i) decoder.PushPacket(PacketOf({0x0C, static_cast<uint8_t>(i)}));  // numbered fillers
    std::vector<int> waiting;
    while (DataBuffer* packet = decoder.PopPacket()) {
        waiting.push_back(packet->length == 6 ? packet->data[5] : -1);
        ReleaseDataBuffer(packet);
    }
    std::vector<int> newest(26);
    std::iota(newest.begin(), newest.end(), 74);
    EXPECT_EQ(waiting, newest);
    sink.SetStalled(false);
}

// Closed, the decoder takes no packet; closing twice or before opening is harmless; reopened, it
// decodes a stream from its start again; destroyed while its thread is inside the frame callback,
// it waits for that callback to return.
TEST(H264Decoder, ReopenedItDecodesAgainAndDestructionWaitsForTheCallbackInProgress) {
    const std::vector<uint8_t> stream = test_support::MakeH264Stream(StreamOptions(160, 128, 4, "baseline"));
    const auto units = test_support::SplitAnnexB(stream);
    PictureSink sink;
    auto decoder = std::make_unique<H264Decoder>();
    decoder->Close();
    PushAll(*decoder, units);
    EXPECT_EQ(decoder->PopPacket(), nullptr);
    ASSERT_EQ(decoder->Open(&PictureSink::OnPicture, &sink), 0);
    PushAll(*decoder, units);
    decoder->Close();
    decoder->Close();

    const size_t before = sink.pictures.size();
    sink.SetStalled(true);
    ASSERT_EQ(decoder->Open(&PictureSink::OnPicture, &sink), 0);
    PushAll(*decoder, units);
    ASSERT_TRUE(sink.WaitForCount(before + 1));
    EXPECT_EQ(sink.pictures[before], test_support::DecodeH264Reference(stream).pictures[0]);
    auto destroying = std::async(std::launch::async, [&decoder] { decoder.reset(); });
    EXPECT_EQ(destroying.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    sink.SetStalled(false);
    destroying.get();
}

}  // namespace

// Closing from the frame callback would have the decode thread wait for itself: a debug build
// stops there rather than hanging or ending somewhere less clear.
TEST(H264DecoderDeathTest, ClosingFromTheFrameCallbackIsCaughtInDebugBuilds) {
#ifdef NDEBUG
    GTEST_SKIP() << "thread rules are checked in debug builds";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto units = test_support::SplitAnnexB(test_support::MakeH264Stream(StreamOptions(160, 128, 2, "baseline")));
    EXPECT_DEATH(
        {
            H264Decoder decoder;
            auto closeOwnDecoder = [](DataBuffer* picture, int, int, SampleRange, void* user) {
                ReleaseDataBuffer(picture);
                static_cast<H264Decoder*>(user)->Close();
            };
            decoder.Open(closeOwnDecoder, &decoder);
            PushAll(decoder, units);
            decoder.PushPacket(PacketOf({0x0B}));
            std::this_thread::sleep_for(std::chrono::seconds(20));  // the picture comes long before
        },
        "closed from its own frame callback");
#endif
}
