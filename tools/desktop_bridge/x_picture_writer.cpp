#include "tools/desktop_bridge/x_picture_writer.h"

#include <X11/Xutil.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

namespace desktop {

namespace {

// Whether the visual takes the pixels as they are: 32 bits a pixel, red, green and blue in the
// bytes where 0xAARRGGBB has them, least significant byte first.
bool takesPixelsAsTheyAre(const XImage& image) {
    return image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000 &&
           image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
}

// The value of an 8-bit colour channel in a mask of the visual.
unsigned long scaledInto(uint32_t channel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1ul)) {
        mask >>= 1;
        ++shift;
    }
    int bits = 0;
    while (mask & 1ul) {
        mask >>= 1;
        ++bits;
    }
    unsigned long value = bits >= 8 ? channel << (bits - 8) : channel >> (8 - bits);
    return value << shift;
}

// Xlib reports a refused attach through its error handler, after the call returned.
bool attachRefused = false;
int noteAttachRefused(Display*, XErrorEvent*) {
    attachRefused = true;
    return 0;
}

}  // namespace

// A shared-memory segment attached here and in the X server; the segment goes once both detach.
struct XPictureWriter::SharedImage {
    XShmSegmentInfo segment{};
    Display* display = nullptr;
    bool attached = false;

    ~SharedImage() {
        if (attached) XShmDetach(display, &segment);
        if (segment.shmaddr != nullptr && segment.shmaddr != reinterpret_cast<char*>(-1)) shmdt(segment.shmaddr);
    }
};

void XPictureWriter::ImageDestroyer::operator()(XImage* image) const {
    image->data = nullptr;  // the pixels belong to the writer or to the shared segment
    XDestroyImage(image);
}

XPictureWriter::XPictureWriter() = default;

XPictureWriter::~XPictureWriter() { release(); }

void XPictureWriter::release() {
    if (display_ && shared_) XSync(display_, False);  // the server is done reading the segment
    image_.reset();
    imageHolds_.reset();
    shared_.reset();
    plainPixels_.reset();
    if (context_) XFreeGC(display_, context_);
    context_ = nullptr;
    contextDrawable_ = 0;
}

bool XPictureWriter::prepare(Display* display, Visual* visual, unsigned depth, int width, int height) {
    if (image_ && display == display_ && visual == visual_ && depth == depth_ && image_->width == width &&
        image_->height == height) {
        return true;
    }
    release();
    display_ = display;
    visual_ = visual;
    depth_ = depth;
    if (!triedSharing_ || shared_) {
        triedSharing_ = true;
        auto shared = std::make_unique<SharedImage>();
        shared->display = display;
        XImage* image = XShmQueryExtension(display)
                            ? XShmCreateImage(display, visual, depth, ZPixmap, nullptr, &shared->segment, width, height)
                            : nullptr;
        if (image) {
            image_.reset(image);
            shared->segment.shmid =
                shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * height, IPC_CREAT | 0600);
            shared->segment.shmaddr =
                shared->segment.shmid < 0 ? nullptr : static_cast<char*>(shmat(shared->segment.shmid, nullptr, 0));
            if (shared->segment.shmaddr && shared->segment.shmaddr != reinterpret_cast<char*>(-1)) {
                image->data = shared->segment.shmaddr;
                shared->segment.readOnly = False;
                attachRefused = false;
                XErrorHandler previous = XSetErrorHandler(noteAttachRefused);
                shared->attached = XShmAttach(display, &shared->segment) != 0;
                XSync(display, False);
                XSetErrorHandler(previous);
                shared->attached = shared->attached && !attachRefused;
            }
            // Marked for removal at once: it goes when the last user detaches, even after a crash.
            if (shared->segment.shmid >= 0) shmctl(shared->segment.shmid, IPC_RMID, nullptr);
            if (shared->attached) {
                shared_ = std::move(shared);
                return true;
            }
            image_.reset();
        }
    }
    // A plain image over pixels of the writer's own.
    XImage* image = XCreateImage(display, visual, depth, ZPixmap, 0, nullptr, width, height, 32, 0);
    if (!image) return false;
    image_.reset(image);
    plainPixels_ = std::make_unique<uint32_t[]>(static_cast<size_t>(image->bytes_per_line) * height / 4 + 1);
    image->data = reinterpret_cast<char*>(plainPixels_.get());
    return true;
}

void XPictureWriter::fill(const uint32_t* pixels, int width, PicturePart part) {
    XImage& image = *image_;
    const bool asTheyAre = takesPixelsAsTheyAre(image);
    for (int y = part.y; y < part.y + part.height; ++y) {
        const uint32_t* from = pixels + static_cast<size_t>(y) * width + part.x;
        if (asTheyAre) {
            std::memcpy(image.data + static_cast<size_t>(y) * image.bytes_per_line + part.x * 4, from,
                        static_cast<size_t>(part.width) * 4);
            continue;
        }
        for (int x = 0; x < part.width; ++x) {
            const uint32_t pixel = from[x];
            XPutPixel(&image, part.x + x, y,
                      scaledInto((pixel >> 16) & 0xFF, image.red_mask) |
                          scaledInto((pixel >> 8) & 0xFF, image.green_mask) |
                          scaledInto(pixel & 0xFF, image.blue_mask));
        }
    }
}

// The server reads a shared image when it runs the put, after the call returned: the segment is
// written again only once it has. A browser usually reads the painted drawable back at once, after
// which Xlib knows the put has run; a round trip is made only when it does not know yet.
void XPictureWriter::awaitServerReading() {
    if (!shared_ || !sharedPutSerial_) return;
    if (static_cast<long>(XLastKnownRequestProcessed(display_) - *sharedPutSerial_) < 0) XSync(display_, False);
    sharedPutSerial_.reset();
}

GC XPictureWriter::contextFor(Drawable drawable) {
    if (context_ && contextDrawable_ == drawable) return context_;
    if (context_) XFreeGC(display_, context_);
    context_ = XCreateGC(display_, drawable, 0, nullptr);
    contextDrawable_ = drawable;
    return context_;
}

bool XPictureWriter::put(Display* display, Drawable drawable, Visual* visual, unsigned depth, const uint32_t* pixels,
                         int width, int height, uint64_t generation, PicturePart part) {
    if (!display || !drawable || !visual || width <= 0 || height <= 0) return false;
    const int left = std::clamp(part.x, 0, width);
    const int top = std::clamp(part.y, 0, height);
    const int right = std::clamp(part.x + part.width, left, width);
    const int bottom = std::clamp(part.y + part.height, top, height);
    const PicturePart cut{left, top, right - left, bottom - top};
    if (cut.width == 0 || cut.height == 0) return false;
    if (!prepare(display, visual, depth, width, height)) return false;
    if (imageHolds_ != generation) {
        awaitServerReading();
        fill(pixels, width, PicturePart{0, 0, width, height});
        imageHolds_ = generation;
    }
    GC context = contextFor(drawable);
    if (shared_) {
        sharedPutSerial_ = NextRequest(display);
        XShmPutImage(display, drawable, context, image_.get(), cut.x, cut.y, cut.x, cut.y, cut.width, cut.height,
                     False);
        XFlush(display);
    } else {
        XPutImage(display, drawable, context, image_.get(), cut.x, cut.y, cut.x, cut.y, cut.width, cut.height);
    }
    return true;
}

}  // namespace desktop
