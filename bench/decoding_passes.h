// Passes over an H.264 stream that the decoding benchmarks share: FFmpeg decoding whole pictures
// alone (the reference), and the view's decoder fed NAL unit by NAL unit as a camera feeds it.
#pragma once

#include "app/player/ffmpeg_owners.h"
#include "app/player/h264_decoder.h"
#include "tests/support/annexb_splitter.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace bench {

using Pictures = std::vector<std::vector<uint8_t>>;

// FFmpeg alone: one context, one thread, whole pictures, nothing copied out. Answers the pictures.
inline int DecodeWithFfmpeg(const Pictures& pictures) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecContextPtr context(avcodec_alloc_context3(codec));
    context->thread_count = 1;
    avcodec_open2(context.get(), codec, nullptr);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    int decoded = 0;
    for (const std::vector<uint8_t>& picture : pictures) {
        av_new_packet(packet.get(), static_cast<int>(picture.size()));
        std::memcpy(packet->data, picture.data(), picture.size());
        avcodec_send_packet(context.get(), packet.get());
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) ++decoded;
    }
    avcodec_send_packet(context.get(), nullptr);
    while (avcodec_receive_frame(context.get(), frame.get()) == 0) ++decoded;
    return decoded;
}

// The first slice of a picture (first_mb_in_slice 0).
inline bool StartsPicture(const test_support::NalUnit& unit) {
    const int type = test_support::NalType(unit);
    return (type == 1 || type == 5) && unit.size() > 1 && (unit[1] & 0x80) != 0;
}

inline DataBuffer* PacketOf(const test_support::NalUnit& unit) {
    DataBuffer* packet = AllocDataBuffer(static_cast<int32_t>(unit.size() + 4));
    const uint8_t startCode[] = {0, 0, 0, 1};
    std::memcpy(packet->data, startCode, 4);
    std::memcpy(packet->data + 4, unit.data(), unit.size());
    return packet;
}

// Feeds the units to the sink as a live camera does, never more than a few pictures ahead of what
// has come out (so that the decoder's queue bound drops nothing), then closes the last picture.
template <class Sink, class Feed>
void FeedPaced(const std::vector<test_support::NalUnit>& units, Sink& sink, Feed feed) {
    int begun = 0;
    for (const test_support::NalUnit& unit : units) {
        if (StartsPicture(unit)) sink.WaitForAtLeast(++begun - 4);
        feed(unit);
    }
    feed(test_support::NalUnit{0x09, 0x10});  // an access-unit delimiter
}

// Counts the pictures a decoder hands out, dropping them.
class CountingSink {
public:
    static void OnPicture(DataBuffer* picture, int, int, SampleRange, void* user) {
        ReleaseDataBuffer(picture);
        static_cast<CountingSink*>(user)->Count();
    }
    void Count() {
        std::lock_guard<std::mutex> guard(mutex_);
        ++count_;
        changed_.notify_all();
    }
    void WaitForAtLeast(int count) {
        std::unique_lock<std::mutex> guard(mutex_);
        changed_.wait_for(guard, std::chrono::seconds(10), [&] { return count_ >= count; });
    }
    int count() {
        std::lock_guard<std::mutex> guard(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// One pass of the view's decoder over the units: open, feed, wait for the last picture, close.
inline void DecodeWithPlayerDecoder(const std::vector<test_support::NalUnit>& units, int pictures) {
    CountingSink sink;
    H264Decoder decoder;
    decoder.Open(&CountingSink::OnPicture, &sink);
    FeedPaced(units, sink, [&](const test_support::NalUnit& unit) { decoder.PushPacket(PacketOf(unit)); });
    sink.WaitForAtLeast(pictures);
    decoder.Close();
}

}  // namespace bench
