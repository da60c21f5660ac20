#include "app/player/h264_decoder.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <vector>

namespace {

using test_support::H264StreamOptions;
using test_support::NalUnit;
using test_support::StreamOptions;

struct Picture {
    int width;
    int height;
    std::vector<uint8_t> bytes;
};

// Collects the decoder's pictures; can hold the decode thread inside the callback on request.
class PictureSink {
public:
    static void OnPicture(DataBuffer* picture, int width, int height, void* user) {
        static_cast<PictureSink*>(user)->Take(picture, width, height);
    }

    void Take(DataBuffer* picture, int width, int height) {
        std::unique_lock<std::mutex> guard(mutex_);
        EXPECT_EQ(picture->length, width * height * 3 / 2);
        pictures_.push_back({width, height, std::vector<uint8_t>(picture->data, picture->data + picture->length)});
        ReleaseDataBuffer(picture);
        changed_.notify_all();
        changed_.wait(guard, [this] { return !stalled_; });
    }

    bool WaitForCount(size_t count) {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, std::chrono::seconds(20), [&] { return pictures_.size() >= count; });
    }

    void SetStalled(bool stalled) {
        std::lock_guard<std::mutex> guard(mutex_);
        stalled_ = stalled;
        changed_.notify_all();
    }

    std::vector<Picture> Pictures() {
        std::lock_guard<std::mutex> guard(mutex_);
        return pictures_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Picture> pictures_;
    bool stalled_ = false;
};

// A packet as the camera view makes it: a four-byte start code, then the unit.
DataBuffer* PacketOf(const NalUnit& unit) {
    DataBuffer* packet = AllocDataBuffer(static_cast<int32_t>(unit.size() + 4));
    const uint8_t startCode[] = {0, 0, 0, 1};
    std::memcpy(packet->data, startCode, 4);
    std::memcpy(packet->data + 4, unit.data(), unit.size());
    return packet;
}

bool BeginsPicture(const NalUnit& unit) {
    const int type = test_support::NalType(unit);
    return (type == 1 || type == 5) && unit.size() > 1 && (unit[1] & 0x80) != 0;
}

// Pushes every unit, keeping only a few pictures in flight so that the queue bound drops nothing,
// then an end-of-stream unit so that the last picture is decoded too.
void Feed(H264Decoder& decoder, PictureSink& sink, const std::vector<NalUnit>& units, int reorderDelay) {
    size_t begun = 0;
    for (const NalUnit& unit : units) {
        if (BeginsPicture(unit)) {
            ++begun;
            const size_t inFlight = 2 + static_cast<size_t>(reorderDelay);
            ASSERT_TRUE(begun <= inFlight || sink.WaitForCount(begun - inFlight));
        }
        decoder.PushPacket(PacketOf(unit));
    }
    decoder.PushPacket(PacketOf({0x0B}));
}

void ExpectDecodesLikeFfmpeg(const H264StreamOptions& options, size_t slicesPerPicture) {
    const std::vector<uint8_t> stream = test_support::MakeH264Stream(options);
    const test_support::ReferenceDecode reference = test_support::DecodeH264Reference(stream);
    ASSERT_EQ(reference.pictures.size(), static_cast<size_t>(options.frames));
    const std::vector<NalUnit> units = test_support::SplitAnnexB(stream);
    size_t slices = 0;
    for (const NalUnit& unit : units) {
        const int type = test_support::NalType(unit);
        slices += (type == 1 || type == 5) ? 1 : 0;
    }
    ASSERT_EQ(slices, slicesPerPicture * static_cast<size_t>(options.frames));

    PictureSink sink;
    H264Decoder decoder;
    ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
    Feed(decoder, sink, units, reference.reorderDelay);
    const size_t expected = reference.pictures.size() - static_cast<size_t>(reference.reorderDelay);
    EXPECT_TRUE(sink.WaitForCount(expected));
    decoder.Close();

    const std::vector<Picture> pictures = sink.Pictures();
    ASSERT_GE(pictures.size(), expected);
    ASSERT_LE(pictures.size(), reference.pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i].width, options.width);
        EXPECT_EQ(pictures[i].height, options.height);
        EXPECT_TRUE(pictures[i].bytes == reference.pictures[i]) << "picture " << i << " differs";
    }
}

TEST(H264Decoder, SingleSlicePicturesMatchFfmpegDecoding) {
    ExpectDecodesLikeFfmpeg(StreamOptions(320, 240, 12, "baseline"), 1);
}

TEST(H264Decoder, FourSlicePicturesMatchFfmpegDecoding) {
    ExpectDecodesLikeFfmpeg(StreamOptions(352, 288, 10, "main", "slices=4:bframes=0"), 4);
}

TEST(H264Decoder, HighProfileWithBFramesAndScalingListsMatchesFfmpegDecoding) {
    ExpectDecodesLikeFfmpeg(StreamOptions(320, 240, 12, "high", "bframes=2:cqm=jvt"), 1);
}

TEST(H264Decoder, QueueKeepsOnlyTheNewest26PacketsWhileTheConsumerStalls) {
    const std::vector<NalUnit> units =
        test_support::SplitAnnexB(test_support::MakeH264Stream(StreamOptions(160, 128, 3, "baseline")));
    PictureSink sink;
    sink.SetStalled(true);
    H264Decoder decoder;
    ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
    for (const NalUnit& unit : units) {
        decoder.PushPacket(PacketOf(unit));
    }
    ASSERT_TRUE(sink.WaitForCount(1));  // the decode thread now sits in the callback

    // Filler units numbered 0..99 behind the stalled consumer.
    for (int i = 0; i < 100; ++i) {
        decoder.PushPacket(PacketOf({0x0C, static_cast<uint8_t>(i)}));
    }
    std::vector<int> waiting;
    while (DataBuffer* packet = decoder.PopPacket()) {
        waiting.push_back(packet->length == 6 ? packet->data[5] : -1);
        ReleaseDataBuffer(packet);
    }
    ASSERT_EQ(waiting.size(), 26u);
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(waiting[static_cast<size_t>(i)], 74 + i);
    }
    sink.SetStalled(false);
    decoder.Close();
}

TEST(H264Decoder, LifecycleIsSafeAndLeavesNothingBehind) {
    const std::vector<NalUnit> units =
        test_support::SplitAnnexB(test_support::MakeH264Stream(StreamOptions(160, 128, 4, "baseline")));
    PictureSink sink;
    {
        H264Decoder decoder;
        decoder.Close();  // never opened
        for (const NalUnit& unit : units) {
            decoder.PushPacket(PacketOf(unit));  // closed: released, never decoded
        }
        ASSERT_EQ(decoder.PopPacket(), nullptr);
        ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
        decoder.Close();
        decoder.Close();
        EXPECT_TRUE(sink.Pictures().empty());

        // Reopened, it decodes afresh; without user data the pictures are released unseen.
        ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, nullptr), 0);
        for (const NalUnit& unit : units) {
            decoder.PushPacket(PacketOf(unit));
        }
        decoder.Close();
        ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
        sink.SetStalled(true);
        for (const NalUnit& unit : units) {
            decoder.PushPacket(PacketOf(unit));
        }
        ASSERT_TRUE(sink.WaitForCount(1));
        for (int i = 0; i < 10; ++i) {
            decoder.PushPacket(PacketOf(units.back()));
        }
        sink.SetStalled(false);
        // Destroyed while open with packets waiting: the thread is joined and the packets freed.
    }
    EXPECT_GE(sink.Pictures().size(), 1u);
}

TEST(H264Decoder, GarbageUnitsDoNotHarmTheFollowingStream) {
    const H264StreamOptions options = StreamOptions(176, 144, 6, "baseline");
    const std::vector<uint8_t> stream = test_support::MakeH264Stream(options);
    PictureSink sink;
    H264Decoder decoder;
    ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
    // Fewer junk units than the queue holds, so none of the camera's units is dropped behind them.
    std::mt19937 rng(7);
    const uint8_t junkTypes[] = {1, 2, 5, 6, 9, 12};
    for (int i = 0; i < 20; ++i) {
        NalUnit junk(1 + rng() % 300);
        for (uint8_t& b : junk) {
            b = static_cast<uint8_t>(rng());
        }
        junk[0] = static_cast<uint8_t>((junk[0] & 0x60) | junkTypes[rng() % 6]);
        decoder.PushPacket(PacketOf(junk));
    }
    Feed(decoder, sink, test_support::SplitAnnexB(stream), 0);
    EXPECT_TRUE(sink.WaitForCount(static_cast<size_t>(options.frames)));
    decoder.Close();

    const test_support::ReferenceDecode reference = test_support::DecodeH264Reference(stream);
    const std::vector<Picture> pictures = sink.Pictures();
    ASSERT_EQ(pictures.size(), reference.pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_TRUE(pictures[i].bytes == reference.pictures[i]) << "picture " << i;
    }
}

TEST(H264Decoder, PicturesOfOtherChromaFormatsAreSkippedAndLater420PicturesShown) {
    H264StreamOptions other = StreamOptions(160, 128, 3, "high444", "bframes=0");
    other.pixelFormat = "yuv444p";
    const H264StreamOptions plain = StreamOptions(144, 112, 4, "baseline");
    PictureSink sink;
    H264Decoder decoder;
    ASSERT_EQ(decoder.Open(&PictureSink::OnPicture, &sink), 0);
    for (const NalUnit& unit : test_support::SplitAnnexB(test_support::MakeH264Stream(other))) {
        decoder.PushPacket(PacketOf(unit));  // a handful of units: within the queue bound
    }
    Feed(decoder, sink, test_support::SplitAnnexB(test_support::MakeH264Stream(plain)), 0);
    EXPECT_TRUE(sink.WaitForCount(static_cast<size_t>(plain.frames)));
    decoder.Close();
    const std::vector<Picture> pictures = sink.Pictures();
    EXPECT_EQ(pictures.size(), static_cast<size_t>(plain.frames));
    for (const Picture& picture : pictures) {
        EXPECT_EQ(picture.width, plain.width);
        EXPECT_EQ(picture.height, plain.height);
    }
}

}  // namespace
