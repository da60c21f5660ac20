#include "platform/window/win_gdi.h"
#include "tests/support/pixel_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using test_support::PixelWindow;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

// A 24-bit bitmap whose pixel (column, stored row) is the grey level `level(column, row)`; rows
// padded to four bytes.
struct Bitmap {
    BITMAPINFO info{};
    std::vector<BYTE> bits;

    Bitmap(int width, int height, bool bottomUp) {
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = bottomUp ? height : -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        bits.assign(stride() * height, 0xEE);  // padding bytes that must never show
    }
    size_t stride() const { return (static_cast<size_t>(info.bmiHeader.biWidth) * 3 + 3) / 4 * 4; }
    // Stored rows: row 0 is the first in memory.
    void set(int column, int storedRow, BYTE blue, BYTE green, BYTE red) {
        BYTE* pixel = bits.data() + storedRow * stride() + column * 3;
        pixel[0] = blue;
        pixel[1] = green;
        pixel[2] = red;
    }
    void setGrey(int column, int storedRow, BYTE level) { set(column, storedRow, level, level, level); }
};

uint32_t grey(BYTE level) { return kBlack | (level << 16) | (level << 8) | level; }

int stretch(HWND window, RECT destination, RECT source, const Bitmap& bitmap, DWORD rop = SRCCOPY) {
    HDC deviceContext = GetDC(window);
    int rows = StretchDIBits(deviceContext, destination.left, destination.top, destination.right - destination.left,
                             destination.bottom - destination.top, source.left, source.top, source.right - source.left,
                             source.bottom - source.top, bitmap.bits.data(), &bitmap.info, DIB_RGB_COLORS, rop);
    ReleaseDC(window, deviceContext);
    return rows;
}

// The grey levels of a window's pixels, row by row.
std::vector<std::vector<int>> levels(const PixelWindow& window) {
    auto pixels = window.pixels();
    std::vector<std::vector<int>> rows(pixels.height);
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) rows[y].push_back(test_support::greenOf(pixels.at(x, y)));
    }
    return rows;
}

// A source rectangle's rows count from the bottom of a bottom-up bitmap, from the top of a
// top-down one; rows are padded to four bytes.
TEST(StretchDIBits, BottomUpBitmapsStoreTheBottomRowFirstTopDownOnesTheTopAndRowsArePadded) {
    for (bool bottomUp : {true, false}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        Bitmap bitmap(3, 3, bottomUp);  // 9 bytes a row, padded to 12
        bitmap.set(0, 1, 1, 2, 3);
        bitmap.set(2, 1, 4, 5, 6);
        bitmap.set(0, 2, 7, 8, 9);
        bitmap.set(2, 2, 10, 11, 12);
        PixelWindow window(0, 0, 3, 2);
        // Source rows 1 and 2 are stored rows 1 and 2 either way; bottom-up shows the later one on top.
        EXPECT_EQ(stretch(window.handle(), RECT{0, 0, 3, 2}, RECT{0, 1, 3, 3}, bitmap), 2);
        auto pixels = window.pixels();
        int firstStoredRowShownAt = bottomUp ? 1 : 0;
        EXPECT_EQ(pixels.at(0, firstStoredRowShownAt), 0xFF030201u);
        EXPECT_EQ(pixels.at(2, firstStoredRowShownAt), 0xFF060504u);
        EXPECT_EQ(pixels.at(0, 1 - firstStoredRowShownAt), 0xFF090807u);
        EXPECT_EQ(pixels.at(2, 1 - firstStoredRowShownAt), 0xFF0C0B0Au);
    }
}

TEST(StretchDIBits, StretchesAndShrinksByNearestNeighbourAroundPixelCentres) {
    Bitmap bitmap(4, 1, true);
    for (int x = 0; x < 4; ++x) bitmap.setGrey(x, 0, static_cast<BYTE>(10 * (x + 1)));
    PixelWindow wide(0, 0, 8, 2);
    stretch(wide.handle(), RECT{0, 0, 8, 2}, RECT{0, 0, 4, 1}, bitmap);
    std::vector<int> doubled{10, 10, 20, 20, 30, 30, 40, 40};
    EXPECT_EQ(levels(wide), (std::vector<std::vector<int>>{doubled, doubled}));

    PixelWindow narrow(0, 0, 2, 1);
    stretch(narrow.handle(), RECT{0, 0, 2, 1}, RECT{0, 0, 4, 1}, bitmap);
    EXPECT_EQ(levels(narrow), (std::vector<std::vector<int>>{{20, 40}}));  // centres 1 and 3
    stretch(narrow.handle(), RECT{0, 0, 2, 1}, RECT{0, 0, 3, 1}, bitmap);
    EXPECT_EQ(levels(narrow), (std::vector<std::vector<int>>{{10, 30}}));  // centres 0.75 and 2.25
}

TEST(StretchDIBits, DrawsOnlyInsideTheWindowAndLeavesPixelsWithoutSourceAlone) {
    Bitmap bitmap(2, 2, false);
    bitmap.setGrey(0, 0, 50);
    bitmap.setGrey(1, 0, 60);
    bitmap.setGrey(0, 1, 70);
    bitmap.setGrey(1, 1, 80);
    PixelWindow window(0, 0, 4, 4);
    // Each bitmap pixel covers 5 x 5 window pixels, starting 2 pixels above and left of the window.
    stretch(window.handle(), RECT{-2, -2, 8, 8}, RECT{0, 0, 2, 2}, bitmap);
    EXPECT_EQ(levels(window),
              (std::vector<std::vector<int>>{{50, 50, 50, 60}, {50, 50, 50, 60}, {50, 50, 50, 60}, {70, 70, 70, 80}}));

    PixelWindow half(0, 0, 2, 1);
    Bitmap single(1, 1, false);
    single.setGrey(0, 0, 90);
    stretch(half.handle(), RECT{0, 0, 2, 1}, RECT{-1, 0, 1, 1}, single);  // the left half has no source
    EXPECT_EQ(half.pixels().at(0, 0), kBlack);
    EXPECT_EQ(half.pixels().at(1, 0), grey(90));
}

TEST(StretchDIBits, RefusesWhatItCannotDrawAndDrawsNothingOnTheScreenAndKeepsTheStretchMode) {
    PixelWindow window(0, 0, 2, 2);
    Bitmap bitmap(2, 2, true);
    bitmap.setGrey(0, 0, 200);
    EXPECT_EQ(stretch(window.handle(), RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, bitmap, 0x00EE0086u), 0);  // SRCPAINT
    EXPECT_EQ(stretch(window.handle(), RECT{0, 0, 0, 2}, RECT{0, 0, 2, 2}, bitmap), 0);
    EXPECT_EQ(stretch(window.handle(), RECT{0, 0, 2, 2}, RECT{0, 0, 2, 0}, bitmap), 0);
    Bitmap packed = bitmap;
    packed.info.bmiHeader.biCompression = 1;  // run-length encoded
    EXPECT_EQ(stretch(window.handle(), RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, packed), 0);
    HDC deviceContext = GetDC(window.handle());
    EXPECT_EQ(SetStretchBltMode(deviceContext, COLORONCOLOR), BLACKONWHITE);  // the previous mode
    EXPECT_EQ(SetStretchBltMode(deviceContext, BLACKONWHITE), COLORONCOLOR);
    EXPECT_EQ(StretchDIBits(deviceContext, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, &bitmap.info, DIB_RGB_COLORS, SRCCOPY), 0);
    ReleaseDC(window.handle(), deviceContext);
    EXPECT_EQ(
        StretchDIBits(deviceContext, 0, 0, 2, 2, 0, 0, 2, 2, bitmap.bits.data(), &bitmap.info, DIB_RGB_COLORS, SRCCOPY),
        0);  // a released context
    EXPECT_EQ(levels(window), (std::vector<std::vector<int>>{{0, 0}, {0, 0}}));

    HDC screen = GetDC(nullptr);
    EXPECT_EQ(StretchDIBits(screen, 0, 0, 2, 2, 0, 0, 2, 2, bitmap.bits.data(), &bitmap.info, DIB_RGB_COLORS, SRCCOPY),
              2);
    ReleaseDC(nullptr, screen);
}

// The bitmap of a picture shown again, as a renderer shows its picture on every pass: drawn once,
// then nothing to do until the bits it shows change or something draws over the window.
TEST(StretchDIBits, OfBitsTheWindowAlreadyShowsDoesNoWork) {
    constexpr uint32_t kScribble = 0xFF123456u;
    PixelWindow window(0, 0, 2, 2);
    Bitmap bitmap(4, 4, false);  // shrunk by half: stored rows 1 and 3, columns 1 and 3 show
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) bitmap.setGrey(column, row, static_cast<BYTE>(10 * row + column));
    }
    const std::vector<std::pair<std::string, std::function<void()>>> cases{
        {"", [] {}},
        {"a row it does not show changed", [&] { bitmap.setGrey(1, 2, 99); }},
        {"a bit it shows changed", [&] { bitmap.setGrey(1, 1, 98); }},
        {"FillRect drew over it",
         [&] {
             HDC deviceContext = GetDC(window.handle());
             RECT corner{0, 0, 1, 1};
             FillRect(deviceContext, &corner, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
             ReleaseDC(window.handle(), deviceContext);
         }},
    };
    for (const auto& [what, between] : cases) {
        stretch(window.handle(), RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4}, bitmap);
        between();
        platform::testing::scribbleOnSurface(window.handle(), 1, 1, kScribble);
        const uint64_t before = window.pixels().generation;
        ASSERT_EQ(stretch(window.handle(), RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4}, bitmap), 4);
        const bool drew = window.pixels().at(1, 1) != kScribble;
        const bool mustDraw = what == "a bit it shows changed" || what == "FillRect drew over it";
        EXPECT_EQ(drew, mustDraw) << what;
        EXPECT_EQ(window.pixels().generation - before, mustDraw ? 1u : 0u) << what;
    }
}

}  // namespace
