#pragma once
// Owners of FFmpeg's demuxing objects, each freed by its own library call when its owner goes, for
// code beside the RTSP source that reads a camera with libavformat's RTSP client as a second
// opinion (the test camera's own tests). The source itself is built on GStreamer.

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <memory>

namespace livevideo {

// avformat_close_input also frees a context that was only allocated, never opened.
struct FormatContextDeleter {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// The options handed to avformat_open_input, which replaces the dictionary with what it did not use.
class Dictionary {
public:
    Dictionary() = default;
    ~Dictionary() { av_dict_free(&entries_); }
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    void set(const char* key, const char* value) { av_dict_set(&entries_, key, value, 0); }
    AVDictionary** address() { return &entries_; }

private:
    AVDictionary* entries_ = nullptr;
};

}  // namespace livevideo
