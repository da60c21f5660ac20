// Puts 32-bit pixels (0xAARRGGBB) on an X drawable: through a shared-memory image when the X server
// offers the extension and shares memory with this process, else with XPutImage. The image is
// remade when the picture's size or the drawable's visual changes. Main thread only (the browser's
// X connection).
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace desktop {

struct PicturePart {
    int x;
    int y;
    int width;
    int height;
};

class XPictureWriter {
public:
    XPictureWriter();
    ~XPictureWriter();
    XPictureWriter(const XPictureWriter&) = delete;
    XPictureWriter& operator=(const XPictureWriter&) = delete;

    // Puts the part of the picture (width x height pixels, rows packed) on the drawable at the same
    // place; the part is cut to the picture. The picture is copied into the X image only when its
    // generation is not the one the image holds. False when nothing could be put.
    bool put(Display* display, Drawable drawable, Visual* visual, unsigned depth, const uint32_t* pixels, int width,
             int height, uint64_t generation, PicturePart part);

    bool sharesMemory() const { return shared_.get() != nullptr; }

private:
    struct SharedImage;
    struct ImageDestroyer {
        void operator()(XImage* image) const;
    };

    bool prepare(Display* display, Visual* visual, unsigned depth, int width, int height);
    void release();
    void fill(const uint32_t* pixels, int width, PicturePart part);
    void awaitServerReading();
    GC contextFor(Drawable drawable);

    Display* display_ = nullptr;
    Visual* visual_ = nullptr;
    unsigned depth_ = 0;
    std::unique_ptr<SharedImage> shared_;            // with a shared-memory image
    std::unique_ptr<XImage, ImageDestroyer> image_;  // the image, shared or plain
    std::unique_ptr<uint32_t[]> plainPixels_;        // a plain image's own pixels
    std::optional<uint64_t> imageHolds_;           // the generation of the picture in the image
    std::optional<unsigned long> sharedPutSerial_;  // the request of the last put of the shared image
    GC context_ = nullptr;
    Drawable contextDrawable_ = 0;
    bool triedSharing_ = false;
};

}  // namespace desktop
