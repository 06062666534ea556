// The setup window's steps: what each needs before Continue, and where Back and Finish lead.
#include <gtest/gtest.h>

#include "core/OnboardingSteps.h"

using namespace quillet;
using Forward = OnboardingSteps::Forward;

TEST(OnboardingStepsTest, EachStepWaitsForWhatItNeeds) {
    OnboardingSteps steps;
    EXPECT_FALSE(steps.goBack()) << "nothing before the first step";
    EXPECT_EQ(steps.goForward(false, true), Forward::refused) << "a key does not replace the permission";
    EXPECT_EQ(steps.goForward(true, false), Forward::moved);
    EXPECT_EQ(steps.current(), OnboardingSteps::apiKey);
    EXPECT_EQ(steps.goForward(true, false), Forward::refused) << "no key stored";
    EXPECT_TRUE(steps.canGoForward(true, false, false)) << "a server that needs no key";
    EXPECT_EQ(steps.goForward(false, true), Forward::moved) << "a permission lost later does not hold back";
    EXPECT_TRUE(steps.isLast());
    EXPECT_EQ(steps.goForward(false, false), Forward::finished);
    EXPECT_EQ(steps.current(), OnboardingSteps::test) << "finishing does not move";
    EXPECT_TRUE(steps.goBack());
    EXPECT_EQ(steps.current(), OnboardingSteps::apiKey);
}
