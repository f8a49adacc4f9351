#include "platform/Platform.h"

#include <gtest/gtest.h>

TEST(Platform, TicksAreHundredNanosecondsOfASteadyClock)
{
    const int64_t before = platform::TicksNow();
    platform::Sleep(50);
    const int64_t elapsed = platform::TicksNow() - before;
    // 50 ms is 500000 ticks; allow for a slow scheduler but not for a unit error.
    EXPECT_GE(elapsed, 500'000);
    EXPECT_LT(elapsed, 5'000'000);
}
