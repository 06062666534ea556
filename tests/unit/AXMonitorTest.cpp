// Focus tracking on the fake accessibility tree and a virtual clock.
#include <gmock/gmock.h>

#include "unit/AXMonitorFixture.h"

using namespace quillet;
using namespace std::chrono_literals;

namespace {

using test::browserPid;
using test::editorPid;
using AXMonitorTest = test::AXMonitorFixture;

TEST_F(AXMonitorTest, StartWatchesTheActiveApplicationAndReportsItsField) {
    Accessible field = startOn();
    ASSERT_EQ(focusChanges.size(), 1u);
    EXPECT_EQ(focusChanges[0], field);
    EXPECT_EQ(monitor.current()->appId, QStringLiteral("org.xfce.mousepad"));
    EXPECT_EQ(ax.liveWatches(editorPid), 1);
    EXPECT_EQ(ax.subscriptions(editorPid),
              QList<AccessEvent>({AccessEvent::focusChanged, AccessEvent::textChanged, AccessEvent::destroyed,
                                  AccessEvent::windowMoved, AccessEvent::applicationJoined}));
    ASSERT_FALSE(ax.setCalls.isEmpty());
    EXPECT_EQ(ax.setCalls[0].attribute, Property::manualAccessibility);
    EXPECT_EQ(scheduler.pendingTimers(), 1u);
}

TEST_F(AXMonitorTest, EachChangeIsReportedOnceWhetherNotificationOrTickSeesIt) {
    Accessible field = startOn();
    scheduler.advance(1000ms);
    EXPECT_EQ(updates, 0) << "ticks that change nothing report nothing";

    // Three typed characters a tick apart, each with its notification, then the ticks see nothing new.
    for (const char* text : {"some words here!", "some words here!!", "some words here!!!"}) {
        ax.set(field, Property::value, QString::fromLatin1(text));
        ax.notify(editorPid, field, AccessEvent::textChanged);
        scheduler.advance(AXMonitor::trackInterval);
    }
    scheduler.advance(1000ms);
    EXPECT_EQ(updates, 3);

    // A scroll with no notification at all is seen by the next tick, and only once.
    ax.setFrame(field, Rect(100, 260, 300, 40));
    scheduler.advance(150ms);
    EXPECT_EQ(updates, 4);
    ax.notify(editorPid, field, AccessEvent::windowMoved);
    scheduler.advance(600ms);
    EXPECT_EQ(updates, 4);

    // The smallest move counts; there is no threshold.
    ax.setFrame(field, Rect(100, 260.25, 300, 40));
    ax.notify(editorPid, field, AccessEvent::windowMoved);
    EXPECT_EQ(updates, 5);
}

TEST_F(AXMonitorTest, AQuietFieldIsLookedAtLessOftenUntilSomethingHappens) {
    Accessible field = startOn();
    int looks = 0;
    ax.onCopy = [&](const Accessible&, Property attribute) { looks += attribute == Property::position; };
    const auto looksWithin = [&](std::chrono::milliseconds span) {
        looks = 0;
        scheduler.advance(span);
        return looks;
    };
    EXPECT_EQ(looksWithin(1500ms), 10) << "fast while the field is new";
    scheduler.advance(AXMonitor::quietAfter);
    EXPECT_EQ(looksWithin(AXMonitor::quietTrackInterval * 5), 5) << "slow once nothing happened";

    // A scroll no one announces is still found by the slow tick, and the fast one is back after it.
    ax.setFrame(field, Rect(100, 260, 300, 40));
    scheduler.advance(AXMonitor::quietTrackInterval);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(looksWithin(1500ms), 10);

    // An edit announced while quiet is read by the next fast tick.
    scheduler.advance(AXMonitor::quietAfter + AXMonitor::quietTrackInterval);
    ax.set(field, Property::value, QStringLiteral("some words here and more"));
    ax.notify(editorPid, field, AccessEvent::textChanged);
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(monitor.currentWordCount(), 5);
}

TEST_F(AXMonitorTest, FocusOnAButtonReportsNothingAndStopsTheTimer) {
    startOn();
    Accessible button = ax.makeElement(editorPid, {{Property::role, QStringLiteral("push button")}});
    ax.setFocused(button);
    ax.notify(editorPid, button, AccessEvent::focusChanged);
    ASSERT_EQ(focusChanges.size(), 2u);
    EXPECT_EQ(focusChanges[1], std::nullopt);
    EXPECT_EQ(monitor.current(), std::nullopt);
    // Looked at again for a while, in case it turns into a field, then no more.
    scheduler.advance(AXMonitor::lateApplicationWait + AXMonitor::trackInterval);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
    EXPECT_EQ(focusChanges.size(), 2u);
}

// This program's own windows (the settings, the panel) keep the field of the application before them.
TEST_F(AXMonitorTest, OwnWindowsKeepTheFieldAndOtherApplicationsReplaceTheObserver) {
    Accessible field = startOn();
    // Settings comes to the front: the editor's field loses the focus and says so.
    workspace.activateApp(self);
    ax.setFocused(Accessible());
    ax.notify(editorPid, field, AccessEvent::focusChanged);
    EXPECT_EQ(focusChanges.size(), 1u);
    EXPECT_EQ(ax.liveWatches(editorPid), 1);
    EXPECT_EQ(monitor.current()->element, field);
    ax.set(field, Property::value, QStringLiteral("the field is still followed"));
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(updates, 1);

    // Back in the editor, the same field is reported again, and its focus counts again.
    ax.setFocused(field);
    workspace.activateApp(editor);
    EXPECT_EQ(focusChanges.size(), 2u);
    EXPECT_EQ(focusChanges[1], field);
    EXPECT_EQ(ax.liveWatches(editorPid), 1) << "the new observer replaced the old one";
    ax.setFocused(Accessible());
    ax.notify(editorPid, field, AccessEvent::focusChanged);
    EXPECT_EQ(focusChanges.back(), std::nullopt);

    Accessible other = focusField(browserPid);
    workspace.activateApp(browser);
    EXPECT_EQ(ax.liveWatches(editorPid), 0);
    EXPECT_EQ(ax.liveWatches(browserPid), 1);
    EXPECT_EQ(focusChanges.back(), other);
    ax.notify(editorPid, field, AccessEvent::destroyed);
    EXPECT_EQ(monitor.current()->element, other) << "the old application is no longer heard";
}

TEST_F(AXMonitorTest, DestroyedCurrentElementIsDroppedOthersAreNot) {
    Accessible field = startOn();
    Accessible stranger = ax.makeElement(editorPid);
    ax.destroy(stranger);
    EXPECT_TRUE(monitor.current());
    ax.destroy(field);  // delivered with a different handle to the same element
    EXPECT_EQ(monitor.current(), std::nullopt);
    EXPECT_EQ(focusChanges.back(), std::nullopt);

    // The application may put a new element in its place; it is looked for a while, then no more.
    scheduler.advance(AXMonitor::lateApplicationWait + AXMonitor::trackInterval * 2);
    EXPECT_EQ(focusChanges.size(), 2u);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(AXMonitorTest, AReplacedFieldIsFoundAgain) {
    Accessible field = startOn();
    ax.destroy(field);
    Accessible replacement = focusField(editorPid);  // no focus event of its own
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(focusChanges.back(), replacement);
    EXPECT_EQ(scheduler.pendingTimers(), 1u) << "only the re-check of the new field";
}

TEST_F(AXMonitorTest, SuspensionKeepsTheFieldButNotTheUpdates) {
    Accessible field = startOn();
    monitor.suspendFocusTracking = true;

    Accessible second = focusField(editorPid);
    ax.notify(editorPid, second, AccessEvent::focusChanged);
    ax.destroy(field);
    FakeAccessibility::data(field).destroyed = false;  // the window closed, the handle still answers
    workspace.activateApp(browser);
    EXPECT_EQ(focusChanges.size(), 1u);
    EXPECT_EQ(monitor.current()->element, field);
    EXPECT_EQ(ax.liveWatches(browserPid), 1) << "application switches still replace the observer";

    ax.setFrame(field, Rect(0, 0, 10, 10));
    scheduler.advance(150ms);
    EXPECT_EQ(updates, 1);

    monitor.suspendFocusTracking = false;
    ax.notify(browserPid, second, AccessEvent::focusChanged);
    EXPECT_EQ(focusChanges.back(), second);
}

// While an application fetches a paste it may answer nothing else: the ticks ask it nothing, and
// take up the field again afterwards.
TEST_F(AXMonitorTest, WhileHeldNothingAsksTheApplication) {
    Accessible field = startOn();
    bool held = true;
    monitor.holdWhile = [&] { return held; };
    const int calls = ax.calls;
    ax.setFrame(field, Rect(0, 0, 10, 10));
    scheduler.advance(3s);
    EXPECT_EQ(ax.calls, calls);
    EXPECT_EQ(updates, 0);

    held = false;
    scheduler.advance(150ms);
    EXPECT_EQ(updates, 1) << "the frame that changed meanwhile";

    // The focus moves while held, and the application is brought to the front again: read after.
    held = true;
    const int before = ax.calls;
    Accessible other = focusField(editorPid, QStringLiteral("another field of words"));
    ax.notify(editorPid, other, AccessEvent::focusChanged);
    workspace.activateApp(editor);
    scheduler.advance(AXMonitor::lateApplicationWait * 2);
    EXPECT_EQ(ax.calls, before);
    EXPECT_EQ(monitor.current()->element, field);
    held = false;
    scheduler.advance(AXMonitor::quietTrackInterval);
    EXPECT_EQ(monitor.current()->element, other);
}

TEST_F(AXMonitorTest, AFrameThatBecomesReadableIsAnUpdate) {
    Accessible field = focusField(editorPid);
    ax.remove(field, Property::size);
    monitor.start();
    ASSERT_TRUE(monitor.current());
    scheduler.advance(300ms);
    EXPECT_EQ(updates, 0);
    ax.setFrame(field, Rect(1, 2, 3, 4));
    scheduler.advance(150ms);
    EXPECT_EQ(updates, 1);
    ax.remove(field, Property::position);
    scheduler.advance(150ms);
    EXPECT_EQ(updates, 2) << "losing the frame is a change too";
}

TEST_F(AXMonitorTest, WithoutAnObserverTheFocusAtActivationIsStillReported) {
    ax.watchFailures.insert(editorPid);
    Accessible field = startOn();
    ASSERT_EQ(focusChanges.size(), 1u);
    EXPECT_EQ(focusChanges[0], field);
    ax.set(field, Property::value, QStringLiteral("changed"));
    scheduler.advance(150ms);
    EXPECT_EQ(updates, 1) << "the timer still follows the field";
}

TEST_F(AXMonitorTest, NothingIsDeliveredOnceTheMonitorIsGone) {
    auto owned = std::make_unique<AXMonitor>(ax, workspace, scheduler);
    int calls = 0;
    QObject::connect(owned.get(), &AXMonitor::focusChanged, [&] { ++calls; });
    Accessible field = focusField(editorPid);
    owned->start();
    owned.reset();
    EXPECT_EQ(ax.liveWatches(editorPid), 0);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
    workspace.activateApp(editor);
    scheduler.advance(1s);
    EXPECT_EQ(calls, 1);
}

TEST_F(AXMonitorTest, OwnFieldIsReportedByTheProgramAndTrackedLikeAnyOther) {
    Accessible other = startOn();
    Accessible own = ax.makeTextField(self.pid, QStringLiteral("a sample text"));
    const FocusedField ownField{own, self.pid, self.appId};

    monitor.focusChangedInProcess(std::nullopt);
    EXPECT_EQ(monitor.current()->element, other) << "a loss in the program leaves another's field alone";

    monitor.focusChangedInProcess(ownField);
    EXPECT_EQ(focusChanges.back(), own);
    ax.setFrame(own, Rect(10, 10, 200, 80));
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(updates, 1) << "moves of the own field are followed on the timer";

    monitor.suspendFocusTracking = true;
    monitor.focusChangedInProcess(std::nullopt);
    EXPECT_EQ(monitor.current()->element, own) << "the panel took the focus: the field stays";
    monitor.suspendFocusTracking = false;

    monitor.focusChangedInProcess(std::nullopt);
    EXPECT_EQ(monitor.current(), std::nullopt);
    EXPECT_EQ(focusChanges.back(), std::nullopt);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

// Applications started after the program: their window is active before they are on the
// accessibility bus, or before they say where their focus is.
TEST_F(AXMonitorTest, AnApplicationThatJoinsTheBusAfterItsActivation) {
    monitor.start();
    ax.offBus.insert(browserPid);
    workspace.activateApp(browser);
    ASSERT_EQ(focusChanges.size(), 2u);
    EXPECT_EQ(focusChanges.back(), std::nullopt);
    EXPECT_EQ(ax.subscriptions(browserPid).size(), 5) << "subscribed before the application has an element";

    // It joins, and its focus is readable a moment later: found on the next tick.
    Accessible field = ax.makeTextField(browserPid, QStringLiteral("words typed early on"));
    ax.joinBus(browserPid);
    scheduler.advance(AXMonitor::lateApplicationWait - 1000ms);
    ax.setFocused(field);
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(focusChanges.back(), field);
    EXPECT_EQ(focusChanges.size(), 3u) << "nothing is reported while looking";

    // Its later focus events arrive through the observer made before it joined.
    Accessible other = focusField(browserPid);
    ax.notify(browserPid, other, AccessEvent::focusChanged);
    EXPECT_EQ(focusChanges.back(), other);
}

// A browser shows only its frames until it is asked for its contents, and then every page of that
// process. Asking costs it time on busy pages: only an application the user brings to the front is
// asked, once per process.
TEST_F(AXMonitorTest, EachApplicationIsAskedForItsContentsOnceWhenItFirstComesToTheFront) {
    const auto askedPids = [this] {
        QList<qint32> pids;
        for (const FakeAccessibility::SetCall& call : ax.setCalls) {
            qint32 pid = 0;
            if (call.attribute == Property::manualAccessibility &&
                ax.pid(call.element, pid) == AccessError::success)
                pids << pid;
        }
        return pids;
    };
    const RunningApplication background{300, QStringLiteral("chromium"), QStringLiteral("Chromium")};
    workspace.addApp(background);
    constexpr qint32 browserPid2 = 201;
    // The page appears some 150 ms after the question; nothing claims the focus before.
    Accessible area = ax.makeTextField(browserPid, QStringLiteral("a text area of a page"));
    ax.onSet = [&](const Accessible& element, Property attribute, const PropertyValue&) {
        if (attribute == Property::manualAccessibility && element == ax.application(browserPid))
            scheduler.after(150ms, [&] { ax.setFocused(area); });
    };
    startOn();
    ax.setFocused(Accessible());
    workspace.activateApp(browser);
    EXPECT_EQ(focusChanges.back(), std::nullopt);
    scheduler.advance(450ms);
    EXPECT_EQ(focusChanges.back(), area) << "found within a tick or two of the page showing";

    workspace.activateApp(editor);
    workspace.activateApp(browser);
    workspace.activateApp(self);
    EXPECT_EQ(askedPids(), QList<qint32>({editorPid, browserPid})) << "never again, never the one behind";

    // A second browser process not yet on the bus is asked once it joins; a refusal is asked again.
    ax.offBus.insert(browserPid2);
    workspace.activateApp(RunningApplication{browserPid2, QStringLiteral("chromium"), QString()});
    EXPECT_EQ(askedPids().size(), 2);
    ax.data(ax.application(300)).setFailures[Property::manualAccessibility] = AccessError::cannotComplete;
    ax.joinBus(browserPid2);
    EXPECT_EQ(askedPids().last(), browserPid2);
    workspace.activateApp(background);
    workspace.activateApp(background);
    ax.data(ax.application(300)).setFailures.clear();
    workspace.activateApp(background);
    workspace.activateApp(background);
    EXPECT_EQ(askedPids().mid(3), QList<qint32>({300, 300, 300}));
}

TEST_F(AXMonitorTest, StartListensBeforeAnyApplicationIsInFront) {
    // At login nothing is in front yet; the first application comes later.
    workspace.activeApp.reset();
    monitor.start();
    EXPECT_TRUE(ax.listening);
    EXPECT_TRUE(focusChanges.empty());
}

TEST_F(AXMonitorTest, AFocusEventBeforeTheObserverIsAttachedIsNotLost) {
    monitor.start();
    workspace.activateApp(browser);
    // The focus event came and went before the observer existed; the element is readable now.
    Accessible field = focusField(browserPid);
    ax.notify(browserPid, field, AccessEvent::textChanged);
    scheduler.runPending();
    EXPECT_EQ(focusChanges.back(), field) << "read again right after attaching";
}

// A busy application announces its new focus before it can say where it is, or before the text
// there takes typing; the click into the field that follows sends no event of its own.
TEST_F(AXMonitorTest, AnAnnouncedFocusThatIsNoFieldYetIsLookedForAgainForAWhile) {
    Accessible field = startOn();
    Accessible search = ax.makeTextField(editorPid, QStringLiteral("words in the search bar"));
    ax.setFocused(Accessible());
    ax.notify(editorPid, field, AccessEvent::focusChanged);
    EXPECT_EQ(focusChanges.back(), std::nullopt);
    scheduler.advance(AXMonitor::lateApplicationWait - 1000ms);
    ax.setFocused(search);
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(focusChanges.back(), search);

    Accessible loading = ax.makeElement(editorPid, {{Property::role, QStringLiteral("AXGroup")}});
    ax.setFocused(loading);
    ax.notify(editorPid, loading, AccessEvent::focusChanged);
    scheduler.advance(1000ms);
    EXPECT_EQ(focusChanges.back(), std::nullopt);
    ax.set(loading, Property::role, QStringLiteral("AXTextArea"));
    ax.set(loading, Property::value, QStringLiteral("the document has loaded"));
    scheduler.advance(AXMonitor::trackInterval);
    EXPECT_EQ(focusChanges.back(), loading);
}

TEST_F(AXMonitorTest, LookingForALateFocusIsBounded) {
    monitor.start();
    workspace.activateApp(browser);
    const int reads = ax.calls;
    scheduler.advance(AXMonitor::lateApplicationWait + AXMonitor::trackInterval);
    EXPECT_GT(ax.calls, reads);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
    focusField(browserPid);
    scheduler.advance(1000ms);
    EXPECT_EQ(focusChanges.back(), std::nullopt) << "after the wait only events and activations count";
    EXPECT_EQ(focusChanges.size(), 2u);
}

}  // namespace
