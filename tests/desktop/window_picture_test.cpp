// The desktop bridge keeps every picture a plug-in window shows until the page has painted it: the
// page paints them in order, one a paint, and only a page too far behind loses the oldest, counted;
// what a view out of sight loses is counted apart, and so are the window's first seconds.
#include "tools/desktop_bridge/window_picture.h"

#include "tests/support/pixel_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using desktop::WindowPicture;
using test_support::PixelWindow;

namespace {

// The red level of each picture the paints show, until none is new. Pictures that never stop being
// new are a fault, not something to wait for.
std::vector<int> paintAll(WindowPicture& picture) {
    std::vector<int> shown;
    for (int paint = 0; paint < 1000; ++paint) {
        const WindowPicture::Taken taken = picture.takePicture();
        if (!taken.drawn) return shown;
        picture.withPicture([&](const uint32_t* pixels, int, int, uint64_t) {
            shown.push_back(static_cast<int>((pixels[0] >> 16) & 0xFF));
        });
    }
    ADD_FAILURE() << "every paint shows a new picture";
    return shown;
}

TEST(WindowPicture, ThePagePaintsEveryPictureTheWindowShowedInOrder) {
    PixelWindow window(0, 0, 4, 4);
    WindowPicture picture(window.handle());
    bool asked[3] = {};
    for (int i = 0; i < 3; ++i) {
        test_support::fillWindow(window.handle(), RGB(10 * (i + 1), 0, 0));
        asked[i] = picture.keepNewPicture();
        EXPECT_FALSE(picture.keepNewPicture()) << "no drawing, no new picture";
    }
    EXPECT_TRUE(asked[0]);
    EXPECT_FALSE(asked[1]) << "a repaint is already asked for";

    WindowPicture::Taken first = picture.takePicture();
    EXPECT_TRUE(first.drawn);
    EXPECT_TRUE(first.moreWaiting);
    EXPECT_EQ(paintAll(picture), (std::vector<int>{20, 30}));
    EXPECT_FALSE(picture.takePicture().drawn) << "painting again shows the same picture";
    test_support::fillWindow(window.handle(), RGB(40, 0, 0));
    EXPECT_TRUE(picture.keepNewPicture()) << "painted up: the next picture asks again";

    const desktop::PictureCounts counts = picture.counts();
    EXPECT_EQ(counts.drawn, 4u);
    EXPECT_EQ(counts.painted, 3u);
    EXPECT_EQ(counts.dropped, 0u);
}

TEST(WindowPicture, APageTooFarBehindLosesTheOldestPicturesAndCountsThem) {
    PixelWindow window(0, 0, 4, 4);
    WindowPicture picture(window.handle());
    const int drawn = static_cast<int>(WindowPicture::kMaxWaiting) + 2;
    std::vector<int> newest;
    for (int i = 1; i <= drawn; ++i) {
        test_support::fillWindow(window.handle(), RGB(i, 0, 0));
        picture.keepNewPicture();
        if (i > drawn - static_cast<int>(WindowPicture::kMaxWaiting)) newest.push_back(i);
    }
    EXPECT_EQ(paintAll(picture), newest);
    const desktop::PictureCounts counts = picture.counts();
    EXPECT_EQ(counts.drawn, static_cast<uint64_t>(drawn));
    EXPECT_EQ(counts.painted, WindowPicture::kMaxWaiting);
    EXPECT_EQ(counts.dropped, 2u);
}

TEST(WindowPicture, WhatAViewOutOfSightLosesIsCountedApartFromWhatThePageDropped) {
    PixelWindow window(0, 0, 4, 4);
    WindowPicture picture(window.handle());
    const int level = static_cast<int>(WindowPicture::kMaxWaiting);
    picture.setInSight(false);
    for (int i = 1; i <= level + 3; ++i) {
        test_support::fillWindow(window.handle(), RGB(i, 0, 0));
        picture.keepNewPicture();
    }
    picture.setInSight(true);  // scrolled back, but the page is still behind
    for (int i = level + 4; i <= level + 5; ++i) {
        test_support::fillWindow(window.handle(), RGB(i, 0, 0));
        picture.keepNewPicture();
    }
    EXPECT_EQ(paintAll(picture).size(), WindowPicture::kMaxWaiting);
    const desktop::PictureCounts counts = picture.counts();
    EXPECT_EQ(counts.drawn, static_cast<uint64_t>(level + 5));
    EXPECT_EQ(counts.outOfSight, 3u);
    EXPECT_EQ(counts.dropped, 2u);
    EXPECT_EQ(counts.painted, WindowPicture::kMaxWaiting);
}

// A picture belongs to the period it was drawn in, even when the page paints it later.
TEST(WindowPicture, ThePicturesOfTheWindowsOpeningSecondsAreCountedApart) {
    using Clock = WindowPicture::Clock;
    PixelWindow window(0, 0, 4, 4);
    const Clock::time_point opened = Clock::now() - desktop::kOpeningTime + std::chrono::seconds(1);
    WindowPicture picture(window.handle(), opened);
    test_support::fillWindow(window.handle(), RGB(1, 0, 0));
    picture.keepNewPicture();
    std::this_thread::sleep_until(opened + desktop::kOpeningTime);
    for (int red : {2, 3}) {
        test_support::fillWindow(window.handle(), RGB(red, 0, 0));
        picture.keepNewPicture();
    }
    EXPECT_EQ(paintAll(picture), (std::vector<int>{1, 2, 3}));
    const desktop::PictureCounts opening = picture.counts(WindowPicture::Period::kOpening);
    const desktop::PictureCounts after = picture.counts(WindowPicture::Period::kAfter);
    EXPECT_EQ(opening.drawn, 1u);
    EXPECT_EQ(opening.painted, 1u);
    EXPECT_EQ(after.drawn, 2u);
    EXPECT_EQ(after.painted, 2u);
}

TEST(WindowPicture, APictureChangedWithoutDrawingIsTakenWhenThePagePaints) {
    PixelWindow window(0, 0, 4, 4);
    WindowPicture picture(window.handle());
    MoveWindow(window.handle(), 0, 0, 6, 4, FALSE);  // a resize changes the pixels and tells no one
    ASSERT_TRUE(picture.takePicture().drawn);
    int width = 0;
    picture.withPicture([&](const uint32_t*, int shownWidth, int, uint64_t) { width = shownWidth; });
    EXPECT_EQ(width, 6);
    EXPECT_EQ(picture.counts().painted, 1u);
}

TEST(WindowPicture, PicturesDrawnOnARenderThreadWhileThePagePaintsComeInOrderAndAllAccountedFor) {
    PixelWindow window(0, 0, 4, 4);
    WindowPicture picture(window.handle());
    constexpr int kPictures = 200;
    std::atomic<bool> done{false};
    std::thread renderer([&] {
        for (int i = 1; i <= kPictures; ++i) {
            test_support::fillWindow(window.handle(), RGB(i, 0, 0));
            picture.keepNewPicture();
        }
        done = true;
    });
    std::vector<int> shown;
    while (!done) {
        const std::vector<int> more = paintAll(picture);
        shown.insert(shown.end(), more.begin(), more.end());
    }
    renderer.join();
    const std::vector<int> rest = paintAll(picture);
    shown.insert(shown.end(), rest.begin(), rest.end());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), kPictures);
    const desktop::PictureCounts counts = picture.counts();
    EXPECT_EQ(counts.painted, shown.size());
    EXPECT_EQ(counts.drawn, counts.painted + counts.dropped);
}

}  // namespace
