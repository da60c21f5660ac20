#pragma once
// Turns the H.264 NAL units a camera view receives into packed 8-bit I420 pictures on a thread of
// its own. The view's RTSP thread pushes units (each with its start code) into a bounded queue; the
// decode thread gathers them into whole pictures, decodes them with FFmpeg's H.264 decoder, crops
// them as the stream says, brings any chroma format and bit depth to 8-bit 4:2:0 and hands each
// picture with the range of its samples to the frame callback, which takes ownership of it. The
// pictures come from a picture pool (the view's), to which their holders give them back.

#include "app/player/access_unit_assembler.h"
#include "app/player/data_buffer.h"
#include "app/player/ffmpeg_owners.h"
#include "app/player/packed_i420.h"
#include "app/player/packet_ring.h"
#include "app/player/picture_pool.h"
#include "app/render/sample_range.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class H264Decoder {
public:
    // Receives one decoded picture (ownership passes), its width and height, the range of its
    // samples, and the user data.
    using FrameCallback = void (*)(DataBuffer* picture, int width, int height, SampleRange range, void* userData);

    // Pictures are taken from the pool given, which must outlive the decoder's pictures; without
    // one, from a pool of the decoder's own.
    explicit H264Decoder(PicturePool* pictures = nullptr);
    // Stops the decode thread if still running and frees every queued packet.
    ~H264Decoder();
    H264Decoder(const H264Decoder&) = delete;
    H264Decoder& operator=(const H264Decoder&) = delete;

    // Opens the codec and starts the decode thread. 0 on success; -1 when there is no H.264
    // decoder or no codec context; -2 when the codec refuses to open; -3 when the thread cannot start.
    // An open decoder is closed first, so this too is never called from the frame callback.
    int Open(FrameCallback callback, void* userData);

    // Stops and joins the decode thread, frees the queued packets and releases the codec. Safe to
    // call when not open and more than once. Never from the frame callback: the decode thread
    // cannot wait for itself.
    void Close();

    // Queues one compressed NAL unit; ownership passes to the decoder. While closed the packet is
    // released at once. When more than 25 packets wait, the oldest is dropped first.
    void PushPacket(DataBuffer* packet);

    // Releases every queued packet.
    void ClearQueue();

    // Removes and returns the oldest queued packet, or null when none waits.
    DataBuffer* PopPacket();

    // More packets waiting than this and a push drops the oldest first: decoding has fallen behind.
    static constexpr size_t kMaxWaitingPackets = 25;

private:
    void DecodeThread();
    OwnedDataBuffer WaitForPacket();
    void DecodePacket(const DataBuffer* packet);
    void DecodePicture(const uint8_t* data, size_t size);
    void DeliverDecodedPictures();
    void DeliverPicture(const AVFrame* frame);
    void ReleaseCodec();

    CodecContextPtr codecContext_;
    const AVCodec* codec_ = nullptr;
    std::mutex lock_;  // guards the packet queue and running_ transitions
    std::condition_variable packetArrived_;
    // Holds one packet more than kMaxWaitingPackets: a full ring is one with more than that waiting.
    PacketRing<kMaxWaitingPackets + 1> packets_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    FrameCallback callback_ = nullptr;
    void* userData_ = nullptr;
    PicturePool ownPictures_;
    PicturePool* pictures_;

    // Used by the decode thread alone between Open and Close.
    AccessUnitAssembler assembler_;
    PacketPtr packet_;
    FramePtr frame_;
    PackedI420Converter converter_;
};
