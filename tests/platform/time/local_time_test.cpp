#include "platform/time/win_local_time.h"
#include "platform/time/win_local_time_testing.h"

#include <gtest/gtest.h>

#include <ctime>
#include <thread>
#include <vector>

namespace {

SYSTEMTIME Moment(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0, WORD ms = 0) {
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

std::vector<int> Fields(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

class LocalTime : public ::testing::Test {
protected:
    ~LocalTime() override { platform::testing::useSystemLocalTime(); }
};

TEST_F(LocalTime, AFixedMomentIsAnsweredOnEveryThreadWithItsWeekdayAndImpossibleOnesAreRefused) {
    SYSTEMTIME fixed = Moment(2024, 2, 29, 7, 8, 9, 250);  // a leap day, a Thursday
    fixed.wDayOfWeek = 5;                                  // wrong on purpose
    ASSERT_TRUE(platform::testing::setLocalTime(fixed));
    for (const SYSTEMTIME& bad : {Moment(2023, 2, 29), Moment(2024, 4, 31), Moment(2024, 1, 1, 24),
                                  Moment(2024, 1, 1, 0, 0, 0, 1000), Moment(1600, 1, 1)}) {
        EXPECT_FALSE(platform::testing::setLocalTime(bad)) << bad.wYear << "-" << bad.wMonth << "-" << bad.wDay;
    }
    SYSTEMTIME here{};
    GetLocalTime(&here);
    SYSTEMTIME there{};
    std::thread([&] { GetLocalTime(&there); }).join();
    EXPECT_EQ(Fields(here), (std::vector<int>{2024, 2, 29, 4, 7, 8, 9, 250}));
    EXPECT_EQ(Fields(there), Fields(here));
}

TEST_F(LocalTime, WithoutAFixedMomentTheSystemsLocalTimeIsAnswered) {
    ASSERT_TRUE(platform::testing::setLocalTime(Moment(2001, 1, 1)));
    platform::testing::useSystemLocalTime();
    const std::time_t before = std::time(nullptr);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::tm local{};
    local.tm_year = now.wYear - 1900;
    local.tm_mon = now.wMonth - 1;
    local.tm_mday = now.wDay;
    local.tm_hour = now.wHour;
    local.tm_min = now.wMinute;
    local.tm_sec = now.wSecond;
    local.tm_isdst = -1;
    const std::time_t answered = std::mktime(&local);
    EXPECT_GE(answered, before);
    EXPECT_LE(answered, std::time(nullptr));
    EXPECT_EQ(now.wDayOfWeek, local.tm_wday);
}

}  // namespace
