// One running copy: what a start does when a copy runs, when none does, when the copy does not
// answer or has just gone, and without a session bus; and what the running copy takes from other
// processes: no moment from the future, and a trigger at most once a second, whoever sends them.
#include <gmock/gmock.h>

#include "core/BusRequestRule.h"
#include "core/SingleInstance.h"
#include "platform/fake/FakeInstanceChannel.h"
#include "platform/fake/FakeScheduler.h"

using namespace quillet;
using testing::ElementsAre;
using K = LaunchMode::Kind;
using R = InstanceRequest;
using A = InstanceChannel::Admission;
using namespace std::chrono_literals;

namespace {

class SingleInstanceTest : public testing::Test {
protected:
    /// One start of the program with `kind`; what it decided, and what reached it later.
    struct Start {
        std::unique_ptr<FakeInstanceChannel> channel;
        LaunchDecision decision;
        QList<R> handled;
    };
    std::unique_ptr<Start> start(K kind) {
        auto s = std::make_unique<Start>();
        s->channel = std::make_unique<FakeInstanceChannel>(bus);
        Start* raw = s.get();
        s->decision = SingleInstance::start(
            kind, *s->channel, ownPrograms, [raw](R r, std::chrono::milliseconds) { raw->handled << r; },
            admit);
        return s;
    }
    std::shared_ptr<FakeBus> bus = std::make_shared<FakeBus>();
    /// This program's file, and where it was installed; the bus's copies run the latter.
    QStringList ownPrograms{"/home/ana/quillet/build/src/quillet", "/usr/bin/quillet"};
    InstanceChannel::RequestGate admit;
};

}  // namespace

TEST_F(SingleInstanceTest, ALaterStartHandsItsRequestToTheRunningCopyAndEnds) {
    auto first = start(K::normal);
    EXPECT_TRUE(first->decision.runHere);
    EXPECT_EQ(first->decision.firstRequest, std::nullopt) << "a plain start opens nothing by request";
    EXPECT_TRUE(first->channel->owns());

    for (K kind : {K::normal, K::settings, K::trigger}) {
        auto later = start(kind);
        EXPECT_FALSE(later->decision.runHere);
        EXPECT_EQ(later->decision.exitCode, 0);
        EXPECT_EQ(later->decision.message, "");
    }
    EXPECT_THAT(first->handled, ElementsAre(R::settings, R::settings, R::trigger))
        << "a second plain start shows the first copy's settings";
    EXPECT_TRUE(first->channel->owns()) << "still the one copy";
}

TEST_F(SingleInstanceTest, WithNoCopyRunningTriggerAndSettingsStartOneThatCarriesThemOut) {
    auto trigger = start(K::trigger);
    EXPECT_TRUE(trigger->decision.runHere);
    EXPECT_EQ(trigger->decision.firstRequest, R::trigger);
    trigger->channel->release();
    auto settings = start(K::settings);
    EXPECT_TRUE(settings->decision.runHere);
    EXPECT_EQ(settings->decision.firstRequest, R::settings);
}

TEST_F(SingleInstanceTest, QuitEndsTheRunningCopyAndWaitsForItsName) {
    auto first = start(K::normal);
    auto quit = start(K::quit);
    EXPECT_FALSE(quit->decision.runHere);
    EXPECT_EQ(quit->decision.exitCode, 0);
    EXPECT_THAT(first->handled, ElementsAre(R::quit));
    // With nothing left running (its words are checked in the session), the name taken to find out
    // is given back.
    EXPECT_FALSE(start(K::quit)->decision.runHere);
    EXPECT_FALSE(bus->owner);
    EXPECT_TRUE(start(K::normal)->decision.runHere) << "the name is free again";
}

TEST_F(SingleInstanceTest, ACopyThatDoesNotQuitOrDoesNotAnswerIsAnError) {
    auto first = start(K::normal);
    bus->ownerQuits = false;
    auto quit = start(K::quit);
    EXPECT_EQ(quit->decision.exitCode, 1);
    EXPECT_EQ(quit->decision.message, "quillet: the running copy did not quit");
    EXPECT_TRUE(quit->decision.messageIsError);

    bus->ownerAnswers = false;
    auto settings = start(K::settings);
    EXPECT_FALSE(settings->decision.runHere) << "no second copy beside a hung one";
    EXPECT_EQ(settings->decision.exitCode, 1);
    EXPECT_EQ(settings->decision.message, "quillet: the running copy does not answer");
}

TEST_F(SingleInstanceTest, ACopyThatJustWentLeavesItsPlaceToThisStart) {
    auto first = start(K::normal);
    bus->beforeDelivery = [this] { bus->owner = nullptr; };  // it quits as our call goes out
    auto second = start(K::trigger);
    EXPECT_TRUE(second->decision.runHere);
    EXPECT_EQ(second->decision.firstRequest, R::trigger);
    EXPECT_TRUE(second->channel->owns());
}

// What --quit says without a bus is checked in the session.
TEST_F(SingleInstanceTest, WithoutASessionBusTheAssistantStillRuns) {
    bus->reachable = false;
    auto plain = start(K::normal);
    EXPECT_TRUE(plain->decision.runHere);
    EXPECT_EQ(plain->decision.message, "");
    EXPECT_TRUE(start(K::trigger)->decision.runHere);
    EXPECT_FALSE(start(K::quit)->decision.runHere);
}

// Only exact options count; the report modes come first, then help, quit, settings and trigger.
// That --help lists every option is checked on the command line.
TEST(LaunchModeTest, TheStrongestExactOptionWins) {
    const struct {
        QStringList args;
        K kind;
        QString directory = {};
    } cases[] = {
        {{"--trigger"}, K::trigger},
        {{"--settings"}, K::settings},
        {{"-h"}, K::help},
        {{"--trigger", "--settings", "--quit"}, K::quit},
        {{"--trigger", "--settings"}, K::settings},
        {{"--quit", "--help"}, K::help},
        {{"--trigger", "--doctor"}, K::doctor},
        {{"--quit", "--screenshots", "out", "--doctor"}, K::screenshots, "out"},
        {{"--doctor", "--screenshots"}, K::doctor},
        {{"--screenshots", "--doctor"}, K::screenshots, "--doctor"},
        {{"--screenshots"}, K::normal},
        {{"--Trigger", "--quit=now", "trigger", "-q", "--Doctor", "--screenshots=out", "-doctor"}, K::normal},
        {{}, K::normal},
    };
    for (const auto& c : cases) {
        const LaunchMode mode = LaunchMode::fromArguments(QStringList{"quillet"} + c.args);
        EXPECT_EQ(mode.kind, c.kind) << qPrintable(c.args.join(' '));
        EXPECT_EQ(mode.directory, c.directory) << qPrintable(c.args.join(' '));
    }
    EXPECT_EQ(LaunchMode::fromArguments({"--trigger"}).kind, K::normal) << "the program's own path";
}

// A copy stopped for a while: the start gives up, says so, and the request is never carried out
// once the copy wakes. A trigger's start waits only briefly, the others as long as before.
TEST_F(SingleInstanceTest, ARequestReportedAsFailedIsNeverCarriedOutLater) {
    using namespace std::chrono_literals;
    auto first = start(K::normal);
    for (K kind : {K::trigger, K::settings}) {
        bus->ownerAnswers = false;
        auto later = start(kind);
        EXPECT_EQ(later->decision.exitCode, 1);
        EXPECT_EQ(later->decision.message, "quillet: the running copy does not answer");
        EXPECT_EQ(bus->lastTimeout, kind == K::trigger ? 2000ms : 8000ms);
        bus->wake(bus->lastTimeout);
    }
    EXPECT_TRUE(first->handled.isEmpty());

    // Held up for a moment only, within the time its start waits: still carried out.
    bus->ownerAnswers = false;
    start(K::trigger);
    bus->wake(1s);
    EXPECT_THAT(first->handled, ElementsAre(R::trigger));
}

// A program that took the name first hears nothing of what the start was asked for, and the start
// says who holds it instead of ending as if the request had been carried out.
TEST_F(SingleInstanceTest, ANameHeldByAnotherProgramGetsNoRequest) {
    QList<R> heard;
    bus->squat("/usr/bin/python3.12");
    bus->owner = [&heard](R r, std::chrono::milliseconds) { heard << r; };
    for (K kind : {K::normal, K::trigger, K::settings, K::quit}) {
        auto later = start(kind);
        EXPECT_FALSE(later->decision.runHere);
        EXPECT_EQ(later->decision.exitCode, 1);
        EXPECT_TRUE(later->decision.messageIsError);
        EXPECT_EQ(later->decision.message,
                  "quillet: another program holds Quillet's name on the session bus (pid 4242, "
                  "/usr/bin/python3.12); nothing was handed to it");
        EXPECT_TRUE(later->channel->sent.isEmpty());
    }
    EXPECT_TRUE(heard.isEmpty());
    bus->holder.executable.clear();
    EXPECT_EQ(start(K::trigger)->decision.message,
              "quillet: another program holds Quillet's name on the session bus (pid 4242, program "
              "unknown); nothing was handed to it")
        << "a program that cannot be told is not this one";
}

TEST_F(SingleInstanceTest, TheRunningCopyIsThisProgramFromEitherPathOrAfterAnUpgrade) {
    EXPECT_TRUE(SingleInstance::isThisProgram("/usr/bin/quillet", ownPrograms));
    EXPECT_TRUE(SingleInstance::isThisProgram("/usr/bin/quillet (deleted)", ownPrograms));
    EXPECT_TRUE(SingleInstance::isThisProgram("/home/ana/quillet/build/src/quillet", ownPrograms));
    EXPECT_FALSE(SingleInstance::isThisProgram("/usr/bin/quillet-helper", ownPrograms));
    EXPECT_FALSE(SingleInstance::isThisProgram("/tmp/usr/bin/quillet", ownPrograms));
    EXPECT_FALSE(SingleInstance::isThisProgram("", {"", "/usr/bin/quillet"}));

    auto first = start(K::normal);
    bus->holder.executable = "/usr/bin/quillet (deleted)";
    EXPECT_EQ(start(K::trigger)->decision.exitCode, 0) << "upgraded while it ran: still ours to talk to";
    EXPECT_THAT(first->handled, ElementsAre(R::trigger));

    EXPECT_EQ(SingleInstance::doctorLine(bus->holder, ownPrograms), "  ✓ Running copy: pid 4242");
    bus->holder.executable = "/usr/bin/python3.12";
    EXPECT_EQ(SingleInstance::doctorLine(bus->holder, ownPrograms),
              "  ✗ Running copy: another program holds Quillet's name on the session bus (pid 4242, "
              "/usr/bin/python3.12)");
    EXPECT_EQ(SingleInstance::doctorLine(std::nullopt, ownPrograms), "") << "nobody holds it: no line";
}

// `quillet --trigger` pressed again at once: the running copy turns it down, and the start says so.
TEST_F(SingleInstanceTest, ARequestTheCopyTurnsDownForNowIsReportedAsBusy) {
    int asked = 0;
    admit = [&asked](R r, std::optional<std::chrono::milliseconds>) {
        return r == R::trigger && ++asked > 1 ? InstanceChannel::Admission::busy
                                              : InstanceChannel::Admission::accepted;
    };
    auto first = start(K::normal);
    EXPECT_EQ(start(K::trigger)->decision.exitCode, 0);
    auto again = start(K::trigger);
    EXPECT_EQ(again->decision.exitCode, 1);
    EXPECT_EQ(again->decision.message, "quillet: the running copy is busy; try again in a moment");
    EXPECT_EQ(start(K::settings)->decision.exitCode, 0);
    EXPECT_THAT(first->handled, ElementsAre(R::trigger, R::settings)) << "the busy one is not carried out";
}

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
