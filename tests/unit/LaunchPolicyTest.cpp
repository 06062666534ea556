// What each start opens, for every kind of start on desktops with and without a tray.
#include <gmock/gmock.h>

#include "core/LaunchPolicy.h"

using namespace quillet;

TEST(LaunchPolicyTest, EachStartOpensWhatItNeedsAndAStartForACheckNothingElse) {
    struct Case {
        const char* name;
        std::optional<InstanceRequest> request;
        bool tray;
        bool trusted;
        bool deferred, settings, setup, setupWithoutKey;
    };
    const InstanceRequest trigger = InstanceRequest::trigger;
    const InstanceRequest settings = InstanceRequest::settings;
    for (const Case& c : {
             Case{"plain start", std::nullopt, true, true, false, false, false, true},
             Case{"no tray: the settings are the way in", std::nullopt, false, true, false, true, false,
                  true},
             Case{"no permission", std::nullopt, true, false, false, false, true, false},
             Case{"no tray, no permission", std::nullopt, false, false, false, true, true, false},
             Case{"a check: nothing takes the field's focus", trigger, false, false, true, false, false,
                  false},
             Case{"the settings asked for, no tray", settings, false, true, false, false, false, true},
             Case{"the settings asked for, no permission", settings, true, false, false, false, true, false},
         }) {
        SCOPED_TRACE(c.name);
        const LaunchPlan plan = LaunchPolicy::plan(c.request, c.tray, c.trusted);
        EXPECT_EQ(plan.request, c.request);
        EXPECT_EQ(plan.requestDeferred, c.deferred);
        EXPECT_EQ(plan.openSettings, c.settings);
        EXPECT_EQ(plan.openSetup, c.setup);
        EXPECT_EQ(plan.setupWithoutKey, c.setupWithoutKey);
    }
}
