// What the running copy takes from other processes: no moment from the future, and a trigger at
// most once a second, whoever sends them.
#include <gmock/gmock.h>

#include "core/BusRequestRule.h"
#include "platform/fake/FakeScheduler.h"

using namespace quillet;
using namespace std::chrono_literals;
using A = InstanceChannel::Admission;
using R = InstanceRequest;

TEST(BusRequestRuleTest, AMomentStillToComeIsRefusedBeyondTheClocksAllowance) {
    FakeScheduler clock;
    BusRequestRule rule(clock);
    for (R request : {R::trigger, R::settings, R::quit}) {
        EXPECT_EQ(rule.admit(request, -1001ms), A::refused);
        EXPECT_EQ(rule.admit(request, -3600000ms), A::refused);
    }
    EXPECT_EQ(rule.admit(R::trigger, -1000ms), A::accepted) << "the other process's clock may run ahead";
    clock.advance(1s);
    EXPECT_EQ(rule.admit(R::trigger, std::nullopt), A::accepted) << "an older caller tells no moment";
    EXPECT_EQ(rule.admit(R::settings, -500ms), A::accepted);
}

TEST(BusRequestRuleTest, OneTriggerASecondAndTheTurnedDownOnesDoNotPutTheNextOff) {
    FakeScheduler clock;
    BusRequestRule rule(clock);
    EXPECT_EQ(rule.admit(R::trigger, 0ms), A::accepted);
    clock.advance(400ms);
    EXPECT_EQ(rule.admit(R::trigger, 0ms), A::busy);
    EXPECT_EQ(rule.admit(R::trigger, std::nullopt), A::busy) << "the older form is counted alike";
    EXPECT_EQ(rule.admit(R::trigger, -5s), A::refused) << "refused, not merely busy";
    clock.advance(599ms);
    EXPECT_EQ(rule.admit(R::trigger, 0ms), A::busy);
    clock.advance(1ms);
    EXPECT_EQ(rule.admit(R::trigger, 0ms), A::accepted) << "a second after the last one taken";

    // The settings and the end are the user's to ask for as often as they like, and take no turn
    // from a trigger.
    clock.advance(1s);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rule.admit(R::settings, 0ms), A::accepted);
        EXPECT_EQ(rule.admit(R::quit, 0ms), A::accepted);
    }
    EXPECT_EQ(rule.admit(R::trigger, 0ms), A::accepted);
}
