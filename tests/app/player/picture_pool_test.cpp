#include "app/player/picture_pool.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(PicturePool, APictureGivenBackIsTakenAgainWhileItsLengthIsTheOneInUse) {
    PicturePool pool;
    DataBuffer* first = pool.Take(600);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->length, 600);
    pool.Give(first);
    EXPECT_EQ(pool.Take(600), first);
    pool.Give(nullptr);
    // A restart brought another size: what was idle goes, and a late picture of the old size is
    // freed on its return rather than handed out as one of the new size.
    DataBuffer* late = pool.Take(600);
    pool.Give(first);
    DataBuffer* resized = pool.Take(150);
    ASSERT_NE(resized, nullptr);
    EXPECT_EQ(resized->length, 150);
    EXPECT_EQ(pool.idle(), 0u);
    pool.Give(late);
    EXPECT_EQ(pool.idle(), 0u);
    pool.Give(resized);
    EXPECT_EQ(pool.Take(150), resized);
    pool.Give(resized);
    EXPECT_EQ(pool.Take(-1), nullptr);
}

TEST(PicturePool, AtMostFourIdlePicturesAreKeptAndThoseTheStreamDoesNotNeedAreFreed) {
    PicturePool pool;
    std::vector<DataBuffer*> burst;
    for (int i = 0; i < 6; ++i) burst.push_back(pool.Take(64));
    for (DataBuffer* picture : burst) pool.Give(picture);
    EXPECT_EQ(pool.idle(), 4u);
    // At the stream's pace, one out and one back: three stay idle through a whole round of takes.
    for (int i = 0; i < 2 * PicturePool::kTrimAfterTakes; ++i) pool.Give(pool.Take(64));
    EXPECT_EQ(pool.idle(), 1u);
}

// A decode thread takes while a render thread and a main thread give back.
TEST(PicturePool, ThreadsTakingAndGivingShareItSafely) {
    PicturePool pool;
    constexpr int kPictures = 2000;
    std::vector<DataBuffer*> toRender(kPictures);
    std::vector<DataBuffer*> toMain(kPictures);
    for (int i = 0; i < kPictures; ++i) {
        toRender[i] = pool.Take(1024);
        toMain[i] = pool.Take(1024);
    }
    std::thread render([&] {
        for (DataBuffer* picture : toRender) pool.Give(picture);
    });
    std::thread main([&] {
        for (DataBuffer* picture : toMain) pool.Give(picture);
    });
    for (int i = 0; i < kPictures; ++i) pool.Give(pool.Take(1024));
    render.join();
    main.join();
    EXPECT_LE(pool.idle(), PicturePool::kMaxIdle);
}

}  // namespace
