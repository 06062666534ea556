// The virtual clock every core test runs on.
#include <gmock/gmock.h>

#include "platform/fake/FakeScheduler.h"

using namespace quillet;
using namespace std::chrono_literals;
using testing::ElementsAre;

// The virtual clock every timing test relies on: deadline order, repeats, cancel from inside a callback.
TEST(FakeSchedulerTest, RunsTimersInDeadlineOrderOnVirtualTime) {
    FakeScheduler s;
    std::vector<std::string> seen;
    s.after(300ms, [&] { seen.push_back("300@" + std::to_string(s.now().count())); });
    TimerId tick = 0;
    int ticks = 0;
    tick = s.every(150ms, [&] {
        seen.push_back("tick@" + std::to_string(s.now().count()));
        if (++ticks == 3)
            s.cancel(tick);
    });
    s.post([&] { seen.push_back("posted"); });
    s.advance(1000ms);
    EXPECT_THAT(seen, ElementsAre("posted", "tick@150", "300@300", "tick@300", "tick@450"));
    EXPECT_EQ(s.now(), 1000ms);
    EXPECT_EQ(s.pendingTimers(), 0u);
}
