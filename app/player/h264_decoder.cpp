#include "app/player/h264_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <cassert>
#include <chrono>
#include <new>
#include <system_error>

namespace {

// An idle decode thread looks at its running flag at least this often.
constexpr auto kIdleWait = std::chrono::milliseconds(40);
// Bounds on what the network can make the decoder allocate.
constexpr size_t kMaxPictureBytes = 16 * 1024 * 1024;
constexpr int kMaxPictureSide = 8192;
// The codec allocates its reference pictures from the stream's own size: allow up to 8K pictures.
constexpr int64_t kMaxCodecPixels = int64_t{7680} * 4352;

// The decoder whose decode thread this is, if any: that thread must never wait for itself.
thread_local const H264Decoder* decodingFor = nullptr;

}  // namespace

H264Decoder::H264Decoder(PicturePool* pictures)
    : pictures_(pictures != nullptr ? pictures : &ownPictures_), assembler_(kMaxPictureBytes) {}

H264Decoder::~H264Decoder() {
    Close();
    ClearQueue();
}

int H264Decoder::Open(FrameCallback callback, void* userData) {
    if (thread_.joinable() || codecContext_) {
        Close();  // a second open starts afresh rather than leaking the running thread
    }
    codec_ = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec_ == nullptr) {
        return -1;
    }
    codecContext_.reset(avcodec_alloc_context3(codec_));
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!codecContext_ || !packet_ || !frame_) {
        ReleaseCodec();
        return -1;
    }
    // One thread per decoder: frame threading would hold back every picture by a frame per thread.
    codecContext_->thread_count = 1;
    // Every picture is copied out row by row, so the codec may crop it exactly where the stream
    // says. Without this it keeps a left crop that would leave its planes unaligned, and the picture
    // comes out wider than the stream's size.
    codecContext_->flags |= AV_CODEC_FLAG_UNALIGNED;
    codecContext_->max_pixels = kMaxCodecPixels;
    if (avcodec_open2(codecContext_.get(), codec_, nullptr) < 0) {
        ReleaseCodec();
        return -2;
    }
    assembler_.Reset();
    callback_ = callback;
    userData_ = userData;
    {
        std::lock_guard<std::mutex> guard(lock_);
        running_ = true;
    }
    try {
        thread_ = std::thread(&H264Decoder::DecodeThread, this);
    } catch (const std::system_error&) {
        running_ = false;
        ReleaseCodec();
        return -3;
    }
    return 0;
}

void H264Decoder::Close() {
    assert(decodingFor != this && "H264Decoder closed from its own frame callback");
    {
        // Under the lock, so that no push can slip a packet in after the queue is cleared.
        std::lock_guard<std::mutex> guard(lock_);
        running_ = false;
    }
    packetArrived_.notify_all();
    ClearQueue();
    if (thread_.joinable()) {
        thread_.join();
    }
    ReleaseCodec();
}

void H264Decoder::PushPacket(DataBuffer* packet) {
    OwnedDataBuffer pushed(packet);
    if (!pushed) {
        return;
    }
    // Released after the lock: the RTSP thread should not hold it for a free.
    OwnedDataBuffer dropped;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!running_) {
            dropped = std::move(pushed);
        } else {
            dropped = packets_.Push(std::move(pushed));
        }
    }
    packetArrived_.notify_one();
}

void H264Decoder::ClearQueue() {
    PacketRing<kMaxWaitingPackets + 1> released;  // freed after the lock is given back
    std::lock_guard<std::mutex> guard(lock_);
    packets_.Swap(released);
}

DataBuffer* H264Decoder::PopPacket() {
    std::lock_guard<std::mutex> guard(lock_);
    return packets_.Pop().release();
}

void H264Decoder::DecodeThread() {
    decodingFor = this;
    while (running_) {
        OwnedDataBuffer packet = WaitForPacket();
        if (!packet) {
            continue;
        }
        try {
            DecodePacket(packet.get());
        } catch (const std::bad_alloc&) {
            assembler_.Reset();  // the picture being gathered is lost; the thread goes on
        }
    }
    decodingFor = nullptr;
}

// The oldest packet, waiting up to the idle time for one to come; empty when none came or the
// decoder is closing.
OwnedDataBuffer H264Decoder::WaitForPacket() {
    std::unique_lock<std::mutex> guard(lock_);
    if (packets_.Empty()) {
        packetArrived_.wait_for(guard, kIdleWait, [this] { return !packets_.Empty() || !running_; });
    }
    if (!running_) {
        return nullptr;
    }
    return packets_.Pop();
}

void H264Decoder::DecodePacket(const DataBuffer* packet) {
    if (!codecContext_ || codec_ == nullptr || packet->data == nullptr || packet->length <= 0) {
        return;
    }
    if (assembler_.Add(packet->data, static_cast<size_t>(packet->length))) {
        DecodePicture(assembler_.PictureData(), assembler_.PictureSize());
    }
}

void H264Decoder::DecodePicture(const uint8_t* data, size_t size) {
    // The assembler's buffer is followed by the padding the codec reads ahead into; the codec copies
    // the bytes it keeps, since the packet holds no reference-counted buffer.
    packet_->data = const_cast<uint8_t*>(data);
    packet_->size = static_cast<int>(size);
    if (avcodec_send_packet(codecContext_.get(), packet_.get()) == AVERROR(EAGAIN)) {
        DeliverDecodedPictures();
        avcodec_send_packet(codecContext_.get(), packet_.get());
    }
    packet_->data = nullptr;
    packet_->size = 0;
    // A rejected picture is dropped; the pictures after it are decoded as usual.
    DeliverDecodedPictures();
}

void H264Decoder::DeliverDecodedPictures() {
    while (avcodec_receive_frame(codecContext_.get(), frame_.get()) == 0) {
        DeliverPicture(frame_.get());
        av_frame_unref(frame_.get());
    }
}

// Packs the picture into one 8-bit I420 buffer and hands it to the callback. 8-bit 4:2:0, what
// nearly every camera sends, is one copy; any other layout is converted on the way.
void H264Decoder::DeliverPicture(const AVFrame* frame) {
    const int width = frame->width;
    const int height = frame->height;
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
        return;
    }
    if (callback_ == nullptr || userData_ == nullptr) {
        return;  // nobody would take the picture
    }
    const int64_t length = static_cast<int64_t>(width) * height * 3 / 2;
    PooledPicture picture = TakePooled(*pictures_, static_cast<int32_t>(length));
    if (!picture) {
        return;
    }
    const SampleRange range = RangeOfFrame(*frame);
    if (IsEightBit420(frame->format)) {
        CopyPackedI420(*frame, picture->data);
    } else if (!converter_.Convert(*frame, range, picture->data)) {
        return;  // a layout the converter cannot read is not shown
    }
    callback_(picture.release(), width, height, range, userData_);  // the callback owns it now
}

void H264Decoder::ReleaseCodec() {
    codecContext_.reset();
    packet_.reset();
    frame_.reset();
    codec_ = nullptr;
    assembler_.Reset();
    converter_.Reset();
}
