#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/ddraw_testing.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_surface_host.h"
#include "tests/support/pixel_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::testing::DirectDrawCall;
using test_support::PixelWindow;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using Owned = std::unique_ptr<Interface, Releaser>;

struct Yuv {
    BYTE y, u, v;
};

// Every test releases all it made, and leaves no switch on.
class DirectDrawTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::testing::resetDirectDrawFailures();
        EXPECT_EQ(platform::testing::liveDirectDrawObjects(), 0);
    }

    static Owned<IDirectDraw7> createDirectDraw() {
        void* object = nullptr;
        EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
        return Owned<IDirectDraw7>(static_cast<IDirectDraw7*>(object));
    }

    static DDSURFACEDESC2 primaryDescription() {
        DDSURFACEDESC2 description{};
        description.dwSize = sizeof(description);
        description.dwFlags = DDSD_CAPS;
        description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        return description;
    }

    static DDSURFACEDESC2 yv12Description(DWORD width, DWORD height) {
        DDSURFACEDESC2 description{};
        description.dwSize = sizeof(description);
        description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        description.dwWidth = width;
        description.dwHeight = height;
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        description.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        description.ddpfPixelFormat.dwFlags = DDPF_FOURCC | DDPF_YUV;
        description.ddpfPixelFormat.dwFourCC = MAKEFOURCC('Y', 'V', '1', '2');
        return description;
    }

    static Owned<IDirectDrawSurface7> create(IDirectDraw7* directDraw, DDSURFACEDESC2 description) {
        LPDIRECTDRAWSURFACE7 surface = nullptr;
        EXPECT_EQ(directDraw->CreateSurface(&description, &surface, nullptr), DD_OK);
        return Owned<IDirectDrawSurface7>(surface);
    }

    // A primary surface whose Blts show in the window.
    static Owned<IDirectDrawSurface7> primaryFor(IDirectDraw7* directDraw, HWND window) {
        auto primary = create(directDraw, primaryDescription());
        LPDIRECTDRAWCLIPPER clipper = nullptr;
        EXPECT_EQ(directDraw->CreateClipper(0, &clipper, nullptr), DD_OK);
        EXPECT_EQ(clipper->SetHWnd(0, window), DD_OK);
        EXPECT_EQ(primary->SetClipper(clipper), DD_OK);
        clipper->Release();  // the surface keeps its own reference
        return primary;
    }

    // Writes every pixel of a YV12 surface through its pitch.
    static void fill(IDirectDrawSurface7* surface, const std::function<Yuv(int x, int y)>& colourAt) {
        DDSURFACEDESC2 description{};
        description.dwSize = sizeof(description);
        ASSERT_EQ(surface->Lock(nullptr, &description, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr), DD_OK);
        auto bytes = static_cast<BYTE*>(description.lpSurface);
        int width = static_cast<int>(description.dwWidth);
        int height = static_cast<int>(description.dwHeight);
        size_t pitch = static_cast<size_t>(description.lPitch);
        BYTE* vPlane = bytes + pitch * height;
        BYTE* uPlane = vPlane + pitch / 2 * (height / 2);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Yuv colour = colourAt(x, y);
                bytes[y * pitch + x] = colour.y;
                vPlane[(y / 2) * (pitch / 2) + x / 2] = colour.v;
                uPlane[(y / 2) * (pitch / 2) + x / 2] = colour.u;
            }
        }
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
    }

    static RECT screenRectOf(HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }
};

uint32_t grey(int level) { return kBlack | (level << 16) | (level << 8) | level; }

// An opaque pixel whose channels are each within three levels of the expected ones: the display's
// conversion keeps its coefficients and products in fixed point and truncates them.
MATCHER_P(Shows, expected, "") {
    const uint32_t pixel = arg;
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((expected >> shift) & 0xFF)) > 3) {
            return false;
        }
    }
    return (pixel >> 24) == 0xFF;
}

// BT.601 studio range in floating point, rounded: the colour a display shows for Y, U and V.
uint32_t studioRgb(int y, int u, int v) {
    const double luma = 1.164 * (y - 16);
    auto channel = [](double value) { return static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L)); };
    return kBlack | channel(luma + 1.596 * (v - 128)) << 16 |
           channel(luma - 0.392 * (u - 128) - 0.813 * (v - 128)) << 8 | channel(luma + 2.017 * (u - 128));
}

using DirectDrawObjects = DirectDrawTest;

TEST_F(DirectDrawObjects, CreationChecksItsArgumentsAndObjectsLiveUntilTheirLastRelease) {
    void* object = &object;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IUnknown, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(object, nullptr);

    auto directDraw = createDirectDraw();
    void* asUnknown = nullptr;
    ASSERT_EQ(directDraw->QueryInterface(IID_IUnknown, &asUnknown), S_OK);
    EXPECT_EQ(asUnknown, static_cast<IUnknown*>(directDraw.get()));
    EXPECT_EQ(static_cast<IUnknown*>(asUnknown)->Release(), 1u);

    // A surface keeps its DirectDraw object alive.
    auto primary = create(directDraw.get(), primaryDescription());
    directDraw.reset();
    EXPECT_EQ(platform::testing::liveDirectDrawObjects(), 2);
    primary.reset();
    EXPECT_EQ(platform::testing::liveDirectDrawObjects(), 0);
}

TEST_F(DirectDrawObjects, OffscreenSurfacesAreCheckedAndLockedWholeWithAPitchWiderThanTheirWidth) {
    auto directDraw = createDirectDraw();
    auto yv12 = create(directDraw.get(), yv12Description(640, 360));
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(yv12->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(locked.dwWidth, 640u);
    EXPECT_EQ(locked.dwHeight, 360u);
    EXPECT_GT(locked.lPitch, 640);
    EXPECT_EQ(locked.lPitch % 2, 0);
    EXPECT_NE(locked.lpSurface, nullptr);
    EXPECT_EQ(locked.ddpfPixelFormat.dwFourCC, MAKEFOURCC('Y', 'V', '1', '2'));
    std::memset(locked.lpSurface, 0x55, static_cast<size_t>(locked.lPitch) * 360 * 3 / 2);  // the whole memory
    EXPECT_EQ(yv12->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(yv12->Unlock(nullptr), DD_OK);
    EXPECT_EQ(yv12->Unlock(nullptr), DDERR_NOTLOCKED);
    RECT part{0, 0, 2, 2};
    EXPECT_EQ(yv12->Lock(&part, &locked, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);

    LPDIRECTDRAWSURFACE7 refused = nullptr;
    DDSURFACEDESC2 odd = yv12Description(641, 360);
    EXPECT_EQ(directDraw->CreateSurface(&odd, &refused, nullptr), DDERR_INVALIDPARAMS);
    DDSURFACEDESC2 huge = yv12Description(8194, 360);
    EXPECT_EQ(directDraw->CreateSurface(&huge, &refused, nullptr), DDERR_OUTOFMEMORY);
    EXPECT_EQ(refused, nullptr);
    auto primary = create(directDraw.get(), primaryDescription());
    EXPECT_EQ(primary->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_UNSUPPORTED);
}

using DirectDrawBlt = DirectDrawTest;

// A camera's picture into a quarter-size view: each view pixel shows the colour of the source
// pixel nearest its centre, converted from the studio range (V taken before U, luma beyond studio
// white clamped).
TEST_F(DirectDrawBlt, ShrinksACameraPictureByNearestNeighbourWithTheStudioRangeColours) {
    PixelWindow window(0, 0, 480, 270);
    auto directDraw = createDirectDraw();
    auto primary = primaryFor(directDraw.get(), window.handle());
    auto picture = create(directDraw.get(), yv12Description(1920, 1080));
    auto colourAt = [](int x, int y) {
        return Yuv{static_cast<BYTE>(16 + (x / 4 * 7 + y / 4 * 3) % 240), static_cast<BYTE>(16 + (x / 8 * 5) % 225),
                   static_cast<BYTE>(16 + (y / 8 * 9) % 225)};
    };
    fill(picture.get(), colourAt);
    RECT screen = screenRectOf(window.handle());
    ASSERT_EQ(primary->Blt(&screen, picture.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    auto pixels = window.pixels();
    for (int y = 0; y < 270; y += 7) {
        for (int x = 0; x < 480; x += 5) {
            const Yuv source = colourAt(4 * x + 2, 4 * y + 2);
            ASSERT_THAT(pixels.at(x, y), Shows(studioRgb(source.y, source.u, source.v))) << x << "," << y;
        }
    }
}

TEST_F(DirectDrawBlt, StretchesTheSourceRectangleOntoTheWindowWhereverItLiesOnTheScreen) {
    PixelWindow parent(100, 50, 300, 200);
    PixelWindow child(10, 20, 8, 4, parent.handle());
    auto directDraw = createDirectDraw();
    auto primary = primaryFor(directDraw.get(), child.handle());
    auto picture = create(directDraw.get(), yv12Description(4, 2));
    fill(picture.get(), [](int x, int) { return Yuv{static_cast<BYTE>(40 * (x + 1)), 128, 128}; });
    RECT screen = screenRectOf(child.handle());
    EXPECT_EQ(screen.left, 110);
    EXPECT_EQ(screen.top, 70);
    ASSERT_EQ(primary->Blt(&screen, picture.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    auto pixels = child.pixels();
    for (int x = 0; x < 8; ++x) {
        EXPECT_THAT(pixels.at(x, 0), Shows(studioRgb(40 * (x / 2 + 1), 128, 128))) << x;
        EXPECT_EQ(pixels.at(x, 3), pixels.at(x, 0)) << x;
    }
    EXPECT_EQ(parent.pixels().at(10, 20), kBlack);  // the clipper's window only

    RECT rightHalf{2, 0, 4, 2};
    ASSERT_EQ(primary->Blt(&screen, picture.get(), &rightHalf, DDBLT_WAIT, nullptr), DD_OK);
    pixels = child.pixels();
    EXPECT_THAT(pixels.at(0, 0), Shows(studioRgb(120, 128, 128)));
    EXPECT_THAT(pixels.at(3, 0), Shows(studioRgb(120, 128, 128)));
    EXPECT_THAT(pixels.at(4, 0), Shows(studioRgb(160, 128, 128)));
}

TEST_F(DirectDrawBlt, KeepsToTheClippersWindowAndTheScreen) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    PixelWindow edge(screenWidth - 4, 0, 8, 2);  // half of it beyond the screen's right edge
    auto directDraw = createDirectDraw();
    auto picture = create(directDraw.get(), yv12Description(2, 2));
    fill(picture.get(), [](int, int) { return Yuv{235, 128, 128}; });

    auto unclipped = create(directDraw.get(), primaryDescription());
    RECT screen = screenRectOf(edge.handle());
    EXPECT_EQ(unclipped->Blt(&screen, picture.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(edge.pixels().at(0, 0), kBlack);  // without a clipper the screen gets it, and no window

    auto primary = primaryFor(directDraw.get(), edge.handle());
    RECT beyond{screen.left - 50, screen.top - 50, screen.right + 50, screen.bottom + 50};
    ASSERT_EQ(primary->Blt(&beyond, picture.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    auto pixels = edge.pixels();
    EXPECT_EQ(pixels.at(3, 1), grey(255));
    EXPECT_EQ(pixels.at(4, 1), kBlack);
}

TEST_F(DirectDrawBlt, RefusesBadRectanglesBusyAndLostSurfaces) {
    PixelWindow window(0, 0, 4, 4);
    auto directDraw = createDirectDraw();
    auto primary = primaryFor(directDraw.get(), window.handle());
    auto picture = create(directDraw.get(), yv12Description(4, 4));
    RECT screen = screenRectOf(window.handle());
    RECT outside{2, 2, 6, 4};
    RECT empty{1, 1, 1, 3};
    EXPECT_EQ(primary->Blt(&screen, picture.get(), &outside, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(primary->Blt(&empty, picture.get(), nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(picture->Blt(&screen, primary.get(), nullptr, DDBLT_WAIT, nullptr), DDERR_UNSUPPORTED);

    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(picture->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(primary->Blt(&screen, picture.get(), nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    picture->Unlock(nullptr);

    platform::testing::loseDirectDrawSurfaces();
    EXPECT_EQ(picture->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Blt(&screen, picture.get(), nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    auto remade = create(directDraw.get(), yv12Description(4, 4));
    EXPECT_EQ(remade->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    remade->Unlock(nullptr);

    // The per-picture calls' switches; those of the set-up calls show in the renderer's codes.
    platform::testing::setDirectDrawCallFails(DirectDrawCall::Lock, true);
    EXPECT_EQ(remade->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_GENERIC);
    platform::testing::resetDirectDrawFailures();
    platform::testing::setLocksStillDrawing(2);
    EXPECT_EQ(remade->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(remade->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(remade->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    remade->Unlock(nullptr);
}

// A display shows a blitted picture until something draws over it: a blit of the same picture to
// the same place does no work, anything drawn in between makes the next one draw again.
class RepeatedBlt : public DirectDrawTest {
protected:
    void SetUp() override {
        platform::embedding::setPixelsChangedListener([this](HWND) { ++heard_; });
        directDraw_ = createDirectDraw();
        primary_ = primaryFor(directDraw_.get(), window_.handle());
        picture_ = create(directDraw_.get(), yv12Description(8, 4));
        fill(picture_.get(), pattern);
    }
    void TearDown() override {
        platform::embedding::setPixelsChangedListener(nullptr);
        picture_.reset();
        primary_.reset();
        directDraw_.reset();
        DirectDrawTest::TearDown();
    }

    static Yuv pattern(int x, int y) { return Yuv{static_cast<BYTE>(20 * (x + y) + 16), 90, 200}; }
    HRESULT blt() {
        RECT screen = screenRectOf(window_.handle());
        return primary_->Blt(&screen, picture_.get(), nullptr, DDBLT_WAIT, nullptr);
    }
    // Blts twice with `between` done in between, a pixel scribbled before the second Blt: whether
    // the second one drew (the scribble is gone), with the drawings counted and heard.
    struct Second {
        bool drew;
        uint64_t drawings;
        int heard;
    };
    Second bltTwice(const std::function<void()>& between) {
        EXPECT_EQ(blt(), DD_OK);
        between();
        platform::testing::scribbleOnSurface(window_.handle(), 1, 1, kScribble);
        const uint64_t before = window_.pixels().generation;
        const int heardBefore = heard_;
        EXPECT_EQ(blt(), DD_OK);
        auto after = window_.pixels();
        return Second{after.at(1, 1) != kScribble, after.generation - before, heard_ - heardBefore};
    }

    static constexpr uint32_t kScribble = 0xFF123456u;
    PixelWindow window_{0, 0, 16, 8};
    Owned<IDirectDraw7> directDraw_;
    Owned<IDirectDrawSurface7> primary_;
    Owned<IDirectDrawSurface7> picture_;
    std::atomic<int> heard_{0};
};

TEST_F(RepeatedBlt, DrawsAgainOnlyAfterAnythingDrewOverTheWindowOrTheSourceChanged) {
    const HWND window = window_.handle();
    // What happens between two Blts; those named "same" leave the picture shown as it was.
    const std::vector<std::pair<std::string, std::function<void()>>> between{
        {"same: nothing", [] {}},
        {"same: the same bytes written again", [&] { fill(picture_.get(), pattern); }},
        {"FillRect",
         [&] {
             HDC context = GetDC(window);
             RECT corner{0, 0, 2, 2};
             FillRect(context, &corner, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
             ReleaseDC(window, context);
         }},
        {"TextOutW",
         [&] {
             HDC context = GetDC(window);
             TextOutW(context, 0, 0, L"x", 1);
             ReleaseDC(window, context);
         }},
        {"StretchDIBits",
         [&] {
             BITMAPINFO info{};
             info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
             const BYTE bits[4] = {1, 2, 3, 0};
             HDC context = GetDC(window);
             StretchDIBits(context, 0, 0, 1, 1, 0, 0, 1, 1, bits, &info, DIB_RGB_COLORS, SRCCOPY);
             ReleaseDC(window, context);
         }},
        {"another surface's Blt",
         [&] {
             auto other = create(directDraw_.get(), yv12Description(8, 4));
             RECT screen = screenRectOf(window);
             primary_->Blt(&screen, other.get(), nullptr, DDBLT_WAIT, nullptr);
         }},
        {"a resize, back and forth",
         [&] {
             MoveWindow(window, 0, 0, 15, 8, FALSE);
             MoveWindow(window, 0, 0, 16, 8, FALSE);
         }},
        {"an expose", [&] { InvalidateRect(window, nullptr, FALSE); }},
        {"a new picture in the surface",
         [&] { fill(picture_.get(), [](int x, int) {
                   return Yuv{static_cast<BYTE>(16 + x), 128, 128};
               }); }},
    };
    for (const auto& [what, draw] : between) {
        const bool same = what.rfind("same", 0) == 0;
        const Second again = bltTwice(draw);
        EXPECT_EQ(again.drew, !same) << what;
        EXPECT_EQ(again.drawings, same ? 0u : 1u) << what;
        EXPECT_EQ(again.heard, same ? 0 : 1) << what;
    }
}

TEST_F(RepeatedBlt, OfAPictureChangedOnlyWhereTheWindowDoesNotLookDoesNoWork) {
    PixelWindow small(0, 20, 4, 2);  // shows rows 1 and 3 of the picture's 4, columns 1, 3, 5, 7
    auto primary = primaryFor(directDraw_.get(), small.handle());
    RECT screen = screenRectOf(small.handle());
    std::vector<bool> changed(4, false);
    auto changeRow = [&](int row) {
        if (row >= 0) changed[static_cast<size_t>(row)] = true;
        fill(picture_.get(), [&](int x, int y) { return Yuv{static_cast<BYTE>(changed[y] ? 200 : 16 + x), 90, 200}; });
    };
    changeRow(-1);
    ASSERT_EQ(primary->Blt(&screen, picture_.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    for (const auto& [row, draws] : std::vector<std::pair<int, bool>>{{2, false}, {0, false}, {3, true}, {1, true}}) {
        changeRow(row);
        const uint64_t before = small.pixels().generation;
        ASSERT_EQ(primary->Blt(&screen, picture_.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
        EXPECT_EQ(small.pixels().generation - before, draws ? 1u : 0u) << "row " << row;
    }
}

}  // namespace
