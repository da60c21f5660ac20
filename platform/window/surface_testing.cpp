#include "platform/window/device_context.h"
#include "platform/window/win_surface_testing.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace platform::testing {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// libpng's write state with its picture information, destroyed together when the owner goes.
class PngWriteState {
public:
    PngWriteState()
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)),
          info_(png_ ? png_create_info_struct(png_) : nullptr) {}
    ~PngWriteState() { png_destroy_write_struct(&png_, &info_); }
    PngWriteState(const PngWriteState&) = delete;
    PngWriteState& operator=(const PngWriteState&) = delete;

    bool valid() const { return info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_;
    png_infop info_;
};

void fillRgbaRow(const SurfacePixels& surface, int row, png_byte* bytes) {
    for (int x = 0; x < surface.width; ++x) {
        uint32_t pixel = surface.at(x, row);
        bytes[x * 4 + 0] = static_cast<png_byte>(pixel >> 16);
        bytes[x * 4 + 1] = static_cast<png_byte>(pixel >> 8);
        bytes[x * 4 + 2] = static_cast<png_byte>(pixel);
        bytes[x * 4 + 3] = static_cast<png_byte>(pixel >> 24);
    }
}

// The write state and the row buffer are made by the caller: libpng's error jump must not skip a
// destructor.
bool writePng(FILE* file, const SurfacePixels& surface, png_byte* row, const PngWriteState& state) {
    png_structp png = state.png();
    png_infop info = state.info();
    // libpng reports errors by jumping back here; nothing below owns memory across the jump.
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, surface.width, surface.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.height; ++y) {
        fillRgbaRow(surface, y, row);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

SurfacePixels readSurface(HWND window) {
    SurfacePixels copy;
    auto surface = platform::detail::windowSurface(window);
    if (!surface) return copy;
    std::lock_guard<std::mutex> lock(surface->lock);
    copy.width = surface->width;
    copy.height = surface->height;
    copy.pixels = surface->pixels;
    copy.generation = surface->generation;
    return copy;
}

void scribbleOnSurface(HWND window, int x, int y, uint32_t pixel) {
    auto surface = platform::detail::windowSurface(window);
    if (!surface) return;
    std::lock_guard<std::mutex> lock(surface->lock);
    if (x >= 0 && y >= 0 && x < surface->width && y < surface->height) {
        surface->pixels[static_cast<size_t>(y) * surface->width + x] = pixel;
    }
}

bool saveSurfacePng(HWND window, const std::filesystem::path& file) {
    if (!platform::detail::windowSurface(window)) return false;
    SurfacePixels surface = readSurface(window);
    if (surface.width == 0 || surface.height == 0) return false;
    std::unique_ptr<FILE, FileCloser> output(std::fopen(file.c_str(), "wb"));
    if (!output) return false;
    std::vector<png_byte> row(static_cast<size_t>(surface.width) * 4);
    const PngWriteState state;
    bool written = state.valid() && writePng(output.get(), surface, row.data(), state);
    return std::fclose(output.release()) == 0 && written;
}

}  // namespace platform::testing
