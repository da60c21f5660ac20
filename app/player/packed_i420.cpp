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

// Where the planes of a packed W x H picture begin.
struct PackedPlanes {
    PackedPlanes(uint8_t* out, int width, int height)
        : lumaSize(static_cast<size_t>(width) * static_cast<size_t>(height)),
          y(out),
          u(out + lumaSize),
          v(out + lumaSize + lumaSize / 4),
          end(out + lumaSize * 3 / 2) {}
    size_t lumaSize;
    uint8_t* y;
    uint8_t* u;
    uint8_t* v;
    uint8_t* end;
};

// Packs (H/2) rows of (W/2) chroma samples of each plane, read at its own stride, into the picture;
// the bytes an odd side leaves between and after the planes become neutral.
void PackChroma(const PackedPlanes& out, int width, int height, const uint8_t* u, int uStride, const uint8_t* v,
                int vStride) {
    uint8_t* const uEnd = CopyPlane(out.u, u, uStride, width / 2, height / 2);
    uint8_t* const vEnd = CopyPlane(out.v, v, vStride, width / 2, height / 2);
    // Nothing to fill unless a side is odd.
    std::memset(uEnd, 128, static_cast<size_t>(out.v - uEnd));
    std::memset(vEnd, 128, static_cast<size_t>(out.end - vEnd));
}

}  // namespace

bool IsEightBit420(int format) { return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P; }

SampleRange RangeOfFrame(const AVFrame& frame) {
    return frame.color_range == AVCOL_RANGE_JPEG || IsFullRangeByName(frame.format) ? SampleRange::Full
                                                                                    : SampleRange::Studio;
}

void CopyPackedI420(const AVFrame& frame, uint8_t* out) {
    const PackedPlanes planes(out, frame.width, frame.height);
    CopyPlane(planes.y, frame.data[0], frame.linesize[0], frame.width, frame.height);
    PackChroma(planes, frame.width, frame.height, frame.data[1], frame.linesize[1], frame.data[2], frame.linesize[2]);
}

// libswscale writes the packed planes themselves. Of a side of odd length it makes one chroma
// column or row more than the packed picture holds (which would overrun the next plane), so then
// only the luma goes straight in and the chroma passes through oddChroma_.
bool PackedI420Converter::Convert(const AVFrame& frame, SampleRange range, uint8_t* out) {
    if (!Prepare(Setup{frame.format, frame.width, frame.height, range, frame.colorspace})) return false;
    const PackedPlanes planes(out, frame.width, frame.height);
    if (oddChroma_.empty()) {
        uint8_t* const destination[4] = {planes.y, planes.u, planes.v, nullptr};
        const int strides[4] = {frame.width, frame.width / 2, frame.width / 2, 0};
        return Scale(frame, destination, strides);
    }
    const int chromaStride = (frame.width + 1) / 2;
    uint8_t* const u = oddChroma_.data();
    uint8_t* const v = u + oddChroma_.size() / 2;
    uint8_t* const destination[4] = {planes.y, u, v, nullptr};
    const int strides[4] = {frame.width, chromaStride, chromaStride, 0};
    if (!Scale(frame, destination, strides)) return false;
    PackChroma(planes, frame.width, frame.height, u, chromaStride, v, chromaStride);
    return true;
}

bool PackedI420Converter::Scale(const AVFrame& frame, uint8_t* const destination[4], const int strides[4]) {
    return sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height, destination, strides) == frame.height;
}

void PackedI420Converter::Reset() {
    context_.reset();
    oddChroma_.clear();
    oddChroma_.shrink_to_fit();
    setup_ = Setup{};
}

// Both sides get the picture's range and matrix: the conversion changes the layout only.
bool PackedI420Converter::Prepare(const Setup& wanted) {
    if (context_ && setup_ == wanted) return true;
    context_.reset();
    const bool odd = wanted.width % 2 != 0 || wanted.height % 2 != 0;
    const size_t chromaPlane =
        static_cast<size_t>((wanted.width + 1) / 2) * static_cast<size_t>((wanted.height + 1) / 2);
    oddChroma_.assign(odd ? 2 * chromaPlane : 0, 128);
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
