// The RTSP source feeding the player's H.264 decoder the way a camera view does (each NAL unit
// behind a start code): every picture is decoded whole as soon as its last unit has arrived, without
// waiting for the next picture.
#include "app/player/data_buffer.h"
#include "app/player/h264_decoder.h"
#include "platform/livevideo/livevideo.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/reference_h264_decode.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct DecodingReceiver {
    std::mutex mutex;
    std::condition_variable changed;
    Bytes stream;                   // every unit handed over, behind start codes
    size_t picturesHandedOver = 0;  // first slices handed over
    std::vector<Bytes> decoded;
    H264Decoder decoder;
    // Last, so that it is freed (and its thread stopped) before what its callback uses.
    std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)> source{rtsp_source_new(&OnNalUnit, this),
                                                                     &rtsp_source_free};

    static void OnNalUnit(int kind, const unsigned char* data, int length, void* self) {
        if (kind != RTSP_SOURCE_DATA_H264_NAL) return;
        auto* receiver = static_cast<DecodingReceiver*>(self);
        const int type = data[0] & 0x1F;
        const bool startsPicture = (type == 1 || type == 5) && length > 1 && (data[1] & 0x80) != 0;
        OwnedDataBuffer packet(AllocDataBuffer(length + 4));
        ASSERT_TRUE(packet);
        const uint8_t startCode[] = {0, 0, 0, 1};
        std::copy(startCode, startCode + 4, packet->data);
        std::copy(data, data + length, packet->data + 4);
        {
            std::lock_guard lock(receiver->mutex);
            receiver->stream.insert(receiver->stream.end(), packet->data, packet->data + packet->length);
            receiver->picturesHandedOver += startsPicture ? 1 : 0;
        }
        receiver->decoder.PushPacket(packet.release());
    }

    static void OnPicture(DataBuffer* picture, int, int, SampleRange, void* self) {
        auto* receiver = static_cast<DecodingReceiver*>(self);
        const OwnedDataBuffer owned(picture);
        std::lock_guard lock(receiver->mutex);
        receiver->decoded.emplace_back(picture->data, picture->data + picture->length);
        receiver->changed.notify_all();
    }

    // Waits, within a bound far above the expected time, until the condition holds.
    template <typename Condition>
    bool WaitUntil(Condition condition) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), condition);
    }
};

// A stalled camera sends nothing after its last picture: that picture must still be shown. A
// picture cut into slices must reach the codec whole, or it decodes as a broken one.
TEST(RtspSourceDecoding, EveryPictureIsDecodedWholeBeforeTheNextArrivesEvenWhenTheStreamStalls) {
    for (const int slices : {1, 4}) {
        SCOPED_TRACE(testing::Message() << "slices " << slices);
        test_support::LoopbackRtspCameraOptions options;
        options.width = 640;
        options.height = 480;
        options.slicesPerPicture = slices;
        options.keyFrameInterval = 10;
        test_support::LoopbackRtspCamera camera(options);
        camera.Start();
        DecodingReceiver receiver;
        ASSERT_EQ(receiver.decoder.Open(&DecodingReceiver::OnPicture, &receiver), 0);
        ASSERT_EQ(rtsp_source_open(receiver.source.get(), camera.Url().c_str(), 0, 2000), RTSP_SOURCE_OK);
        ASSERT_EQ(rtsp_source_play(receiver.source.get()), RTSP_SOURCE_OK);
        ASSERT_TRUE(receiver.WaitUntil([&] { return receiver.decoded.size() >= 5; }));

        camera.SetStalled(true);
        EXPECT_TRUE(receiver.WaitUntil([&] { return receiver.decoded.size() == receiver.picturesHandedOver; }))
            << receiver.decoded.size() << " of " << receiver.picturesHandedOver << " pictures decoded";
        rtsp_source_close(receiver.source.get());
        receiver.decoder.Close();

        const test_support::ReferenceDecode reference = test_support::DecodeH264Reference(receiver.stream);
        ASSERT_EQ(reference.pictures.size(), receiver.decoded.size());
        for (size_t i = 0; i < reference.pictures.size(); ++i) {
            EXPECT_TRUE(reference.pictures[i] == receiver.decoded[i]) << "picture " << i;
        }
    }
}

}  // namespace
