#include "platform/time/win_local_time.h"
#include "platform/time/win_local_time_testing.h"

#include <gtest/gtest.h>

#include <ctime>
#include <thread>

namespace {

SYSTEMTIME moment(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0, WORD ms = 0) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
}

std::time_t asTimeT(const SYSTEMTIME& t) {
    std::tm local{};
    local.tm_year = t.wYear - 1900;
    local.tm_mon = t.wMonth - 1;
    local.tm_mday = t.wDay;
    local.tm_hour = t.wHour;
    local.tm_min = t.wMinute;
    local.tm_sec = t.wSecond;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

class LocalTime : public ::testing::Test {
protected:
    void TearDown() override { platform::testing::useSystemLocalTime(); }
};

TEST_F(LocalTime, FixedMomentIsAnsweredOnEveryThreadWithTheWeekdayOfItsDate) {
    SYSTEMTIME fixed = moment(2024, 5, 6, 7, 8, 9, 250);
    fixed.wDayOfWeek = 5;  // wrong on purpose: a Monday
    ASSERT_TRUE(platform::testing::setLocalTime(fixed));
    SYSTEMTIME here{};
    GetLocalTime(&here);
    SYSTEMTIME there{};
    std::thread([&] { GetLocalTime(&there); }).join();
    for (const SYSTEMTIME& t : {here, there}) {
        EXPECT_EQ(t.wYear, 2024);
        EXPECT_EQ(t.wMonth, 5);
        EXPECT_EQ(t.wDay, 6);
        EXPECT_EQ(t.wDayOfWeek, 1);
        EXPECT_EQ(t.wHour, 7);
        EXPECT_EQ(t.wMinute, 8);
        EXPECT_EQ(t.wSecond, 9);
        EXPECT_EQ(t.wMilliseconds, 250);
    }
    ASSERT_TRUE(platform::testing::setLocalTime(moment(2023, 1, 1)));
    GetLocalTime(&here);
    EXPECT_EQ(here.wDayOfWeek, 0);  // a Sunday
}

TEST_F(LocalTime, MomentsThatDoNotExistAreRefusedAndTheClockKeepsItsTime) {
    ASSERT_TRUE(platform::testing::setLocalTime(moment(2024, 2, 29, 23, 59, 59, 999)));  // a leap day
    for (const SYSTEMTIME& bad : {moment(2023, 2, 29), moment(2024, 13, 1), moment(2024, 4, 31), moment(2024, 1, 0),
                                  moment(2024, 1, 1, 24), moment(2024, 1, 1, 0, 60), moment(2024, 1, 1, 0, 0, 60),
                                  moment(2024, 1, 1, 0, 0, 0, 1000), moment(1600, 1, 1)}) {
        EXPECT_FALSE(platform::testing::setLocalTime(bad)) << bad.wYear << "-" << bad.wMonth << "-" << bad.wDay;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    EXPECT_EQ(now.wMonth, 2);
    EXPECT_EQ(now.wDay, 29);
    EXPECT_EQ(now.wDayOfWeek, 4);  // a Thursday
    EXPECT_EQ(now.wMilliseconds, 999);
}

TEST_F(LocalTime, WithoutAFixedMomentTheSystemsLocalTimeIsAnswered) {
    ASSERT_TRUE(platform::testing::setLocalTime(moment(2001, 1, 1)));
    platform::testing::useSystemLocalTime();
    const std::time_t before = std::time(nullptr);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(asTimeT(now), before);
    EXPECT_LE(asTimeT(now), after);
    const std::time_t answered = asTimeT(now);
    std::tm local{};
    localtime_r(&answered, &local);
    EXPECT_EQ(now.wDayOfWeek, local.tm_wday);
    GetLocalTime(nullptr);  // ignored
}

}  // namespace
