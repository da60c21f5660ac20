#include "platform/window/win_gdi.h"
#include "platform/window/win_surface_testing.h"
#include "tests/support/scoped_machine_folders.h"
#include "window_test_support.h"

#include <png.h>

#include <algorithm>

using namespace windowtest;
using platform::testing::readSurface;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

using WindowSurface = WindowTest;

void fill(HWND window, RECT rect, COLORREF color) {
    HDC deviceContext = GetDC(window);
    HBRUSH brush = CreateSolidBrush(color);
    EXPECT_EQ(FillRect(deviceContext, &rect, brush), 1);
    DeleteObject(brush);
    EXPECT_EQ(FillRect(deviceContext, &rect, brush), 0);  // a deleted brush paints nothing
    ReleaseDC(window, deviceContext);
}

// The bounding box of the pixels that are not white; left > right when there are none.
RECT inkBox(const platform::testing::SurfacePixels& surface) {
    RECT box{surface.width, surface.height, -1, -1};
    for (int y = 0; y < surface.height; ++y) {
        for (int x = 0; x < surface.width; ++x) {
            if (surface.at(x, y) == kWhite) continue;
            box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                       std::max<LONG>(box.bottom, y)};
        }
    }
    return box;
}

TEST_F(WindowSurface, FirstPaintErasesTheBackgroundFillRectKeepsToItsRectangleAndContextsAreReused) {
    registerClass(className_ + L"White", 0, recordingProc, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 8, 6}, className_ + L"White");
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 1);  // one WM_PAINT, then validated
    EXPECT_EQ(receivedOf(window, WM_ERASEBKGND).size(), 1u);
    fill(window, RECT{2, 1, 20, 3}, RGB(255, 0, 0));  // reaches past the right edge
    auto surface = readSurface(window);
    EXPECT_EQ(surface.at(2, 1), 0xFFFF0000u);
    EXPECT_EQ(surface.at(7, 2), 0xFFFF0000u);
    EXPECT_EQ(surface.at(1, 1), kWhite);
    EXPECT_EQ(surface.at(2, 3), kWhite);  // the bottom edge is outside

    ReleaseDC(window, GetDC(window));
    HDC again = GetDC(window);  // as a renderer does for every frame
    EXPECT_EQ(ReleaseDC(window, again), 1);
}

TEST_F(WindowSurface, TextOutDrawsCentredOnTheBaselineAndThePngReadsBackAsTheSurface) {
    test_support::ScopedMachineFolders folders;
    folders.linkChineseFont();
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 200, 60});
    fill(window, RECT{0, 0, 200, 60}, RGB(255, 255, 255));
    HDC deviceContext = GetDC(window);
    EXPECT_EQ(SetTextAlign(deviceContext, TA_CENTER | TA_BASELINE), TA_LEFT | TA_TOP);
    ASSERT_TRUE(TextOutW(deviceContext, 100, 40, L"Web Camera 中文", 13));
    ReleaseDC(window, deviceContext);
    auto surface = readSurface(window);
    RECT ink = inkBox(surface);
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3);
    EXPECT_LE(ink.bottom, 43);  // sits on the baseline; descenders go a little below
    EXPECT_GE(ink.bottom, 38);
    EXPECT_LT(ink.top, 34);

    std::filesystem::path file = folders.driveRoot() / "surface.png";
    ASSERT_TRUE(platform::testing::saveSurfacePng(window, file));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, file.c_str()));
    image.format = PNG_FORMAT_BGRA;  // the surface's byte order
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(image.width, 200u);
    EXPECT_EQ(image.height, 60u);
    EXPECT_EQ(pixels, surface.pixels);
    EXPECT_FALSE(platform::testing::saveSurfacePng(window, folders.driveRoot() / "missing" / "x.png"));
}

TEST_F(WindowSurface, TextOutFailsWithoutTheFontAndDrawsSafelyAfterItsWindowIsGone) {
    test_support::ScopedMachineFolders folders;
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 20, 20});
    fill(window, RECT{0, 0, 20, 20}, RGB(255, 255, 255));
    HDC deviceContext = GetDC(window);
    EXPECT_FALSE(TextOutW(deviceContext, 0, 10, L"x", 1));
    EXPECT_LT(inkBox(readSurface(window)).right, 0);
    folders.linkChineseFont();
    DestroyWindow(window);
    EXPECT_TRUE(TextOutW(deviceContext, 0, 10, L"late", 4));
    EXPECT_EQ(ReleaseDC(window, deviceContext), 1);
    EXPECT_EQ(GetDC(window), nullptr);
}

}  // namespace
