#include "platform/ddraw/yv12_scaler.h"

#include "platform/window/content_hash.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstring>
#include <new>

namespace platform::detail {

namespace {

// Beyond the width of each scratch row, and after the last: more than libswscale writes past a row.
constexpr size_t kRowSlack = 16;

SwsContext* makeContext(int sourceWidth, int width, int height, AVPixelFormat to) {
    SwsContext* context = sws_getContext(sourceWidth, height, AV_PIX_FMT_YUV420P, width, height, to, SWS_POINT,
                                         nullptr, nullptr, nullptr);
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

// Planes of columns x rows samples laid one after the other in `bytes`.
Yv12Planes packedPlanes(const uint8_t* bytes, int columns, int rows) {
    const uint8_t* u = bytes + static_cast<size_t>(columns) * rows;
    return Yv12Planes{bytes, u, u + static_cast<size_t>(chromaSide(columns)) * chromaSide(rows), columns,
                      chromaSide(columns)};
}

// The distance between the picked rows when it is always the same (as when a picture shrinks by a
// whole factor), else 0.
int evenStep(const std::vector<int>& rows) {
    const int step = rows.size() > 1 ? rows[1] - rows[0] : 1;
    for (size_t i = 1; i < rows.size(); ++i) {
        if (rows[i] != rows[0] + static_cast<int>(i) * step) return 0;
    }
    return step > 0 ? step : 0;
}

// Where the pick's chroma starts in a row, and how many samples it takes.
int firstChroma(const Yv12Pick& pick) { return pick.firstColumn / 2; }
int chromaColumns(const Yv12Pick& pick) { return chromaSide(pick.columns); }

}  // namespace

void Yv12Scaler::ContextFree::operator()(SwsContext* context) const { sws_freeContext(context); }

Yv12Scaler::Yv12Scaler() = default;
Yv12Scaler::~Yv12Scaler() = default;

uint64_t Yv12Scaler::hashShown(const Yv12Planes& picture, const Yv12Pick& pick) {
    uint64_t hash = 0;
    auto mix = [&hash](const uint8_t* bytes, int count) {
        hash = hashMore(hash, bytes, static_cast<size_t>(count));
    };
    for (size_t i = 0; i < pick.rows.size(); ++i) {
        const size_t row = static_cast<size_t>(pick.rows[i]);
        mix(picture.y + row * picture.lumaPitch + pick.firstColumn, pick.columns);
        if (i % 2 != 0) continue;
        const size_t chromaAt = row / 2 * picture.chromaPitch + firstChroma(pick);
        mix(picture.u + chromaAt, chromaColumns(pick));
        mix(picture.v + chromaAt, chromaColumns(pick));
    }
    return hash;
}

bool Yv12Scaler::prepare(int columns, int width, int height, bool gathers) {
    if (!convert_ || columns != columns_ || width != width_ || height != height_) {
        convert_.reset();
        const bool stretches = columns != width;
        stretch_.reset(stretches ? makeContext(columns, width, height, AV_PIX_FMT_YUV420P) : nullptr);
        Context convert(makeContext(width, width, height, AV_PIX_FMT_BGRA));
        if ((stretches && !stretch_) || !convert) return false;
        scratchPerRow_ = (static_cast<size_t>(width) + kRowSlack + 3) & ~size_t{3};  // rows 16-byte aligned
        const size_t stretchedBytes =
            static_cast<size_t>(width) * height + 2 * static_cast<size_t>(chromaSide(width)) * chromaSide(height);
        try {
            stretched_.resize(stretches ? stretchedBytes : 0);
            scratch_.resize(scratchPerRow_ * static_cast<size_t>(height) + kRowSlack);
        } catch (const std::bad_alloc&) {
            return false;
        }
        convert_ = std::move(convert);
        columns_ = columns;
        width_ = width;
        height_ = height;
    }
    const size_t gatheredBytes =
        static_cast<size_t>(columns) * height + 2 * static_cast<size_t>(chromaSide(columns)) * chromaSide(height);
    try {
        if (gathers && gathered_.size() < gatheredBytes) gathered_.resize(gatheredBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The picked rows and columns, packed.
Yv12Planes Yv12Scaler::gather(const Yv12Planes& picture, const Yv12Pick& pick) {
    const size_t rows = pick.rows.size();
    const size_t columns = static_cast<size_t>(pick.columns);
    const size_t chroma = static_cast<size_t>(chromaColumns(pick));
    uint8_t* luma = gathered_.data();
    uint8_t* u = luma + columns * rows;
    uint8_t* v = u + chroma * ((rows + 1) / 2);
    for (size_t i = 0; i < rows; ++i) {
        const size_t row = static_cast<size_t>(pick.rows[i]);
        std::memcpy(luma + i * columns, picture.y + row * picture.lumaPitch + pick.firstColumn, columns);
        if (i % 2 != 0) continue;
        const size_t from = row / 2 * picture.chromaPitch + firstChroma(pick);
        std::memcpy(u + i / 2 * chroma, picture.u + from, chroma);
        std::memcpy(v + i / 2 * chroma, picture.v + from, chroma);
    }
    return packedPlanes(gathered_.data(), pick.columns, static_cast<int>(rows));
}

bool Yv12Scaler::stretchAcross(const Yv12Planes& rows) {
    const uint8_t* const from[3] = {rows.y, rows.u, rows.v};
    const int fromPitches[3] = {rows.lumaPitch, rows.chromaPitch, rows.chromaPitch};
    uint8_t* const luma = stretched_.data();
    uint8_t* const u = luma + static_cast<size_t>(width_) * height_;
    uint8_t* const into[3] = {luma, u, u + static_cast<size_t>(chromaSide(width_)) * chromaSide(height_)};
    const int toPitches[3] = {width_, chromaSide(width_), chromaSide(width_)};
    return sws_scale(stretch_.get(), from, fromPitches, 0, height_, into, toPitches) == height_;
}

bool Yv12Scaler::draw(const Yv12Planes& picture, const Yv12Pick& pick, uint32_t* pixels, size_t pixelsPerRow,
                      int width) {
    const int height = static_cast<int>(pick.rows.size());
    const int step = height > 0 ? evenStep(pick.rows) : 0;
    if (height < 1 || !prepare(pick.columns, width, height, step == 0)) return false;
    Yv12Planes rows{};
    if (step == 0) {
        rows = gather(picture, pick);
    } else {
        // Rows a whole step apart are read where they are, the planes' pitches multiplied by the step.
        const size_t row = static_cast<size_t>(pick.rows[0]);
        const size_t chromaAt = row / 2 * picture.chromaPitch + firstChroma(pick);
        rows = Yv12Planes{picture.y + row * picture.lumaPitch + pick.firstColumn, picture.u + chromaAt,
                          picture.v + chromaAt, picture.lumaPitch * step, picture.chromaPitch * step};
    }
    if (stretch_) {
        if (!stretchAcross(rows)) return false;
        rows = packedPlanes(stretched_.data(), width, height);
    }
    const uint8_t* const planes[3] = {rows.y, rows.u, rows.v};
    const int pitches[3] = {rows.lumaPitch, rows.chromaPitch, rows.chromaPitch};
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
