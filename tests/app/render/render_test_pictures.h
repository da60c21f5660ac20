// I420 pictures made pixel by pixel for the renderer tests, and the renderer kinds they run on.
#pragma once

#include "app/render/video_renderers.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace test_support {

struct Yuv {
    uint8_t y, u, v;
};

// W x H luma, then the U plane, then the V plane W x H / 4 bytes after it. Each 2 x 2 block takes
// the chroma of its top-left pixel.
inline std::vector<unsigned char> makePicture(int width, int height, const std::function<Yuv(int x, int y)>& at) {
    size_t luma = static_cast<size_t>(width) * height;
    std::vector<unsigned char> picture(luma * 3 / 2, 0);
    int chromaWidth = width / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Yuv colour = at(x, y);
            picture[static_cast<size_t>(y) * width + x] = colour.y;
            if (x % 2 || y % 2 || x / 2 >= chromaWidth || y / 2 >= height / 2) continue;
            size_t chroma = static_cast<size_t>(y / 2) * chromaWidth + x / 2;
            picture[luma + chroma] = colour.u;
            picture[luma + luma / 4 + chroma] = colour.v;
        }
    }
    return picture;
}

inline std::vector<unsigned char> solidPicture(int width, int height, Yuv colour) {
    return makePicture(width, height, [colour](int, int) { return colour; });
}

struct RendererKind {
    std::string name;
    std::unique_ptr<VideoRenderBase> (*make)();
};

inline const std::vector<RendererKind>& bothRenderers() {
    static const std::vector<RendererKind> kinds{{"DirectDraw", MakeDDrawRenderer}, {"GDI", MakeGdiRenderer}};
    return kinds;
}

}  // namespace test_support
