// The stand-in clock fixed at 2024-05-06 07:08:09 for as long as the object lives, so that the files
// a view names by the local time have a name the test knows.
#pragma once

#include "platform/time/win_local_time_testing.h"

#include <gtest/gtest.h>

namespace test_support {

class FixedClock {
public:
    static constexpr const char* kStamp = "20240506070809";

    FixedClock() {
        SYSTEMTIME moment{};
        moment.wYear = 2024;
        moment.wMonth = 5;
        moment.wDay = 6;
        moment.wHour = 7;
        moment.wMinute = 8;
        moment.wSecond = 9;
        EXPECT_TRUE(platform::testing::setLocalTime(moment));
    }
    ~FixedClock() { platform::testing::useSystemLocalTime(); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

}  // namespace test_support
