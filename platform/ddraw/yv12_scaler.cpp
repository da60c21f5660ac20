#include "platform/ddraw/yv12_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstring>
#include <new>

namespace platform::detail {

namespace {

// Beyond the width of each scratch row, and after the last: more than libswscale writes past a row.
constexpr size_t kRowSlack = 16;

SwsContext* makeContext(int sourceWidth, int sourceHeight, int width, int height, AVPixelFormat to) {
    SwsContext* context = sws_getContext(sourceWidth, sourceHeight, AV_PIX_FMT_YUV420P, width, height, to,
                                         SWS_POINT, nullptr, nullptr, nullptr);
    if (!context || to != AV_PIX_FMT_BGRA) return context;
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    constexpr int kStudioRange = 0;
    constexpr int kFullRange = 1;
    constexpr int kUnchanged = 1 << 16;
    if (sws_setColorspaceDetails(context, bt601, kStudioRange, bt601, kFullRange, 0, kUnchanged, kUnchanged) < 0) {
        sws_freeContext(context);
        return nullptr;
    }
    return context;
}

int chromaSide(int side) { return (side + 1) / 2; }

}  // namespace

void Yv12Scaler::ContextFree::operator()(SwsContext* context) const { sws_freeContext(context); }

Yv12Scaler::Yv12Scaler() = default;
Yv12Scaler::~Yv12Scaler() = default;

bool Yv12Scaler::prepare(int sourceWidth, int sourceHeight, int width, int height) {
    if (convert_ && sourceWidth == sourceWidth_ && sourceHeight == sourceHeight_ && width == width_ &&
        height == height_) {
        return true;
    }
    convert_.reset();
    const bool stretches = sourceWidth != width || sourceHeight != height;
    stretch_.reset(stretches ? makeContext(sourceWidth, sourceHeight, width, height, AV_PIX_FMT_YUV420P) : nullptr);
    Context convert(makeContext(width, height, width, height, AV_PIX_FMT_BGRA));
    if ((stretches && !stretch_) || !convert) return false;
    scratchPerRow_ = (static_cast<size_t>(width) + kRowSlack + 3) & ~size_t{3};  // rows 16-byte aligned
    const size_t lumaBytes = static_cast<size_t>(width) * height;
    const size_t chromaBytes = static_cast<size_t>(chromaSide(width)) * chromaSide(height);
    try {
        stretched_.resize(stretches ? lumaBytes + 2 * chromaBytes : 0);
        scratch_.resize(scratchPerRow_ * static_cast<size_t>(height) + kRowSlack);
    } catch (const std::bad_alloc&) {
        return false;
    }
    convert_ = std::move(convert);
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    width_ = width;
    height_ = height;
    return true;
}

bool Yv12Scaler::stretchPlanes(const Yv12Region& region) {
    const uint8_t* const from[3] = {region.y, region.u, region.v};
    const int fromPitches[3] = {region.lumaPitch, region.chromaPitch, region.chromaPitch};
    uint8_t* const luma = stretched_.data();
    uint8_t* const u = luma + static_cast<size_t>(width_) * height_;
    uint8_t* const to[3] = {luma, u, u + static_cast<size_t>(chromaSide(width_)) * chromaSide(height_)};
    const int toPitches[3] = {width_, chromaSide(width_), chromaSide(width_)};
    return sws_scale(stretch_.get(), from, fromPitches, 0, region.height, to, toPitches) == height_;
}

bool Yv12Scaler::scale(const Yv12Region& region, uint32_t* pixels, size_t pixelsPerRow, int width, int height) {
    if (!prepare(region.width, region.height, width, height)) return false;
    Yv12Region shown = region;
    if (stretch_) {
        if (!stretchPlanes(region)) return false;
        const uint8_t* luma = stretched_.data();
        const uint8_t* u = luma + static_cast<size_t>(width) * height;
        shown = Yv12Region{luma,  u,     u + static_cast<size_t>(chromaSide(width)) * chromaSide(height),
                           width, chromaSide(width), width, height};
    }
    const uint8_t* const planes[3] = {shown.y, shown.u, shown.v};
    const int pitches[3] = {shown.lumaPitch, shown.chromaPitch, shown.chromaPitch};
    uint8_t* const scratch[1] = {reinterpret_cast<uint8_t*>(scratch_.data())};
    const int scratchPitch[1] = {static_cast<int>(scratchPerRow_ * 4)};
    if (sws_scale(convert_.get(), planes, pitches, 0, height, scratch, scratchPitch) != height) return false;
    for (int row = 0; row < height; ++row) {
        std::memcpy(pixels + static_cast<size_t>(row) * pixelsPerRow, scratch_.data() + row * scratchPerRow_,
                    static_cast<size_t>(width) * 4);
    }
    return true;
}

}  // namespace platform::detail
