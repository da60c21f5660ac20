#include "app/player/packed_i420.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstddef>
#include <cstring>

namespace {

// Copies rows of width bytes from a plane with its own line stride into packed rows.
uint8_t* CopyPlane(uint8_t* out, const uint8_t* plane, int stride, int width, int rows) {
    for (int y = 0; y < rows; ++y) {
        std::memcpy(out, plane + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(width));
        out += width;
    }
    return out;
}

// libswscale reads the formats named for their full range as full range whatever it is told, and
// warns that they are deprecated: it is given the same layout by its plain name, the range apart.
AVPixelFormat PlainLayout(int format) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            return AV_PIX_FMT_YUV411P;
        default:
            return static_cast<AVPixelFormat>(format);
    }
}

bool IsFullRangeByName(int format) { return PlainLayout(format) != static_cast<AVPixelFormat>(format); }

}  // namespace

bool IsEightBit420(int format) { return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P; }

SampleRange RangeOfFrame(const AVFrame& frame) {
    return frame.color_range == AVCOL_RANGE_JPEG || IsFullRangeByName(frame.format) ? SampleRange::Full
                                                                                      : SampleRange::Studio;
}

void CopyPackedI420(const AVFrame& frame, uint8_t* out) {
    const int width = frame.width;
    const int height = frame.height;
    const size_t lumaSize = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint8_t* const end = out + lumaSize * 3 / 2;
    uint8_t* const vPlane = out + lumaSize + lumaSize / 4;
    CopyPlane(out, frame.data[0], frame.linesize[0], width, height);
    uint8_t* const uEnd = CopyPlane(out + lumaSize, frame.data[1], frame.linesize[1], width / 2, height / 2);
    uint8_t* const vEnd = CopyPlane(vPlane, frame.data[2], frame.linesize[2], width / 2, height / 2);
    // Nothing to fill unless a side is odd.
    std::memset(uEnd, 128, static_cast<size_t>(vPlane - uEnd));
    std::memset(vEnd, 128, static_cast<size_t>(end - vEnd));
}

bool PackedI420Converter::Convert(const AVFrame& frame, SampleRange range, uint8_t* out) {
    if (!Prepare(Setup{frame.format, frame.width, frame.height, range, frame.colorspace})) return false;
    if (sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height, scratch_->data, scratch_->linesize) !=
        frame.height) {
        return false;
    }
    CopyPackedI420(*scratch_, out);
    return true;
}

void PackedI420Converter::Reset() {
    context_.reset();
    scratch_.reset();
    setup_ = Setup{};
}

// Both sides get the picture's range and matrix: the conversion changes the layout only.
bool PackedI420Converter::Prepare(const Setup& wanted) {
    if (context_ && setup_ == wanted) return true;
    context_.reset();
    if (!MakeScratch(wanted.width, wanted.height)) return false;
    context_.reset(sws_getContext(wanted.width, wanted.height, PlainLayout(wanted.format), wanted.width, wanted.height,
                                  AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!context_) return false;
    const int fullRange = wanted.range == SampleRange::Full ? 1 : 0;
    const int* matrix = sws_getCoefficients(wanted.colorspace);
    constexpr int kUnchanged = 1 << 16;  // brightness 0, contrast and saturation 1.0 in 16.16
    if (sws_setColorspaceDetails(context_.get(), matrix, fullRange, matrix, fullRange, 0, kUnchanged, kUnchanged) < 0) {
        context_.reset();
        return false;
    }
    setup_ = wanted;
    return true;
}

bool PackedI420Converter::MakeScratch(int width, int height) {
    if (scratch_ && scratch_->width == width && scratch_->height == height) return true;
    scratch_.reset(av_frame_alloc());
    if (!scratch_) return false;
    scratch_->format = AV_PIX_FMT_YUV420P;
    scratch_->width = width;
    scratch_->height = height;
    if (av_frame_get_buffer(scratch_.get(), 0) < 0) {
        scratch_.reset();
        return false;
    }
    return true;
}
