// How old an input event is, from the desktop's 32-bit millisecond timestamp.
#include <gmock/gmock.h>

#include "platform/linux/shared/InputEventTime.h"

using namespace quillet;
using namespace std::chrono_literals;

TEST(InputEventTimeTest, AgesAcrossTheWrapAndNoneForTimestampsOfAnotherClock) {
    EXPECT_EQ(InputEventTime::age(1000, 6000ms), 5000ms);
    EXPECT_EQ(InputEventTime::age(5000, 5000ms), 0ms);
    // The monotonic clock is past 2^32 ms (49 days up); the timestamp holds its low 32 bits.
    EXPECT_EQ(InputEventTime::age(0xfffffc18u, std::chrono::milliseconds(0x100000000LL + 1000)), 2000ms);
    EXPECT_EQ(InputEventTime::age(0, 5000ms), std::nullopt) << "no timestamp";
    EXPECT_EQ(InputEventTime::age(7000, 5000ms), std::nullopt) << "from the future";
    EXPECT_EQ(InputEventTime::age(1, std::chrono::milliseconds(2 + 3600 * 1000)), std::nullopt)
        << "an hour old: another clock's";
}
