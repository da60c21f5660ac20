#pragma once
// Owners of the FFmpeg objects the recorder makes to write a file: the muxer's format context and
// the write context through which it reaches the file. Each is freed by its own library call when
// its owner goes, on every way out.

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/mem.h>
}

#include <memory>

struct FormatContextDeleter {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
// The write context and its buffer, which the library may have replaced by one of its own.
struct IoContextDeleter {
    void operator()(AVIOContext* context) const {
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;
