#include "platform/win_gdi.h"
#include "platform/win_surface_testing.h"
#include "window_test_support.h"

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace windowtest;

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// A temporary drive root whose fonts folder holds simhei.ttf, linked to the packaged font.
class TemporaryDriveRoot {
public:
    explicit TemporaryDriveRoot(bool withFont) {
        static int serial = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("veltrin-surface-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(root_ / "c" / "Windows" / "Fonts");
        if (withFont) {
            std::filesystem::create_symlink("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
                                            root_ / "c" / "Windows" / "Fonts" / "simhei.ttf");
        }
        ::setenv("VELTRIN_DRIVE_ROOT", root_.c_str(), 1);
    }
    ~TemporaryDriveRoot() {
        ::unsetenv("VELTRIN_DRIVE_ROOT");
        std::filesystem::remove_all(root_);
    }
    const std::filesystem::path& path() const { return root_; }

private:
    std::filesystem::path root_;
};

class WindowSurface : public WindowTest {
protected:
    // Fills the client area white so that drawing shows up as dark pixels.
    static void paintWhite(HWND window) {
        HDC deviceContext = GetDC(window);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        RECT client;
        GetClientRect(window, &client);
        FillRect(deviceContext, &client, white);
        DeleteObject(white);
        ReleaseDC(window, deviceContext);
    }

    // The bounding box of the pixels that are not white.
    static RECT inkBox(const platform::testing::SurfacePixels& surface) {
        RECT box{surface.width, surface.height, -1, -1};
        for (int y = 0; y < surface.height; ++y) {
            for (int x = 0; x < surface.width; ++x) {
                if (surface.at(x, y) == 0xFFFFFFFFu) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
        }
        return box;
    }
};

TEST_F(WindowSurface, FillRectColoursExactlyTheClippedRectangle) {
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 8, 6});
    HDC deviceContext = GetDC(window);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT rect{2, 1, 20, 3};  // reaches past the right edge
    EXPECT_EQ(FillRect(deviceContext, &rect, red), 1);
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));
    EXPECT_EQ(FillRect(deviceContext, &rect, red), 0);  // a deleted brush paints nothing
    ReleaseDC(window, deviceContext);

    auto surface = platform::testing::readSurface(window);
    EXPECT_EQ(surface.at(2, 1), 0xFFFF0000u);
    EXPECT_EQ(surface.at(7, 2), 0xFFFF0000u);
    EXPECT_EQ(surface.at(1, 1), kOpaqueBlack);
    EXPECT_EQ(surface.at(2, 3), kOpaqueBlack);  // the bottom edge is outside
}

TEST_F(WindowSurface, ClassBackgroundIsErasedOnPaintAndValidates) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    std::wstring name = className_ + L"Background";
    windowClass.lpszClassName = name.c_str();
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    classes_.push_back(name);
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 4, 4}, name);
    EXPECT_EQ(platform::testing::pumpPendingMessages(), 1);  // one WM_PAINT, then validated
    EXPECT_EQ(receivedOf(window, WM_ERASEBKGND).size(), 1u);
    EXPECT_EQ(platform::testing::readSurface(window).at(3, 3), 0xFFFFFFFFu);
}

TEST_F(WindowSurface, TextOutDrawsGlyphsPlacedByTheTextAlignment) {
    TemporaryDriveRoot drive(true);
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 200, 60});
    paintWhite(window);
    HDC deviceContext = GetDC(window);
    EXPECT_EQ(SetTextAlign(deviceContext, TA_CENTER | TA_BASELINE), TA_LEFT | TA_TOP);
    ASSERT_TRUE(TextOutW(deviceContext, 100, 40, L"Web Camera", 10));
    ReleaseDC(window, deviceContext);

    RECT ink = inkBox(platform::testing::readSurface(window));
    ASSERT_GE(ink.right, ink.left);
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3);  // centred on x
    EXPECT_LE(ink.bottom, 43);                         // sits on the baseline
    EXPECT_GE(ink.bottom, 38);
    EXPECT_LT(ink.top, 40 - 6);
}

TEST_F(WindowSurface, TextOutWithoutTheFontFailsAndDrawsNothing) {
    TemporaryDriveRoot drive(false);
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 50, 20});
    paintWhite(window);
    HDC deviceContext = GetDC(window);
    EXPECT_FALSE(TextOutW(deviceContext, 0, 0, L"x", 1));
    ReleaseDC(window, deviceContext);
    RECT ink = inkBox(platform::testing::readSurface(window));
    EXPECT_LT(ink.right, ink.left);
}

TEST_F(WindowSurface, DeviceContextOutlivingItsWindowDrawsSafely) {
    TemporaryDriveRoot drive(true);
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 20, 20});
    HDC deviceContext = GetDC(window);
    DestroyWindow(window);
    EXPECT_TRUE(TextOutW(deviceContext, 0, 0, L"late", 4));
    EXPECT_EQ(ReleaseDC(window, deviceContext), 1);
    EXPECT_EQ(GetDC(window), nullptr);
}

std::vector<uint32_t> readPngAsSurfacePixels(const std::filesystem::path& file, int* width, int* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;  // the surface's byte order
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return pixels;
}

TEST_F(WindowSurface, SavedPngReadsBackAsTheSurface) {
    TemporaryDriveRoot drive(true);
    HWND window = create(WS_VISIBLE, nullptr, RECT{0, 0, 40, 24});
    paintWhite(window);
    HDC deviceContext = GetDC(window);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT rect{0, 0, 5, 5};
    FillRect(deviceContext, &rect, blue);
    DeleteObject(blue);
    TextOutW(deviceContext, 8, 2, L"中文", 2);
    ReleaseDC(window, deviceContext);

    std::filesystem::path file = drive.path() / "surface.png";
    ASSERT_TRUE(platform::testing::saveSurfacePng(window, file));
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels = readPngAsSurfacePixels(file, &width, &height);
    auto surface = platform::testing::readSurface(window);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 24);
    EXPECT_EQ(pixels, surface.pixels);
    EXPECT_EQ(pixels[0], 0xFF0000FFu);
    EXPECT_FALSE(platform::testing::saveSurfacePng(window, drive.path() / "missing" / "x.png"));
}

}  // namespace
