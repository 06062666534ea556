// Follows the keyboard focus of the active application and reports focus changes and changes
#include "core/AXMonitor.h"

#include <QHash>
#include <algorithm>
#include <utility>

#include "platform/Accessibility.h"
#include "platform/Workspace.h"

namespace quillet {

namespace {
std::weak_ptr<AXMonitor*> weak(const std::shared_ptr<AXMonitor*>& self) {
    return self;
}

// Exact comparison: QRectF's own operator== is fuzzy, and any change at all counts here.
bool sameFrame(const std::optional<Rect>& a, const std::optional<Rect>& b) {
    if (!a || !b)
        return !a && !b;
    return a->x() == b->x() && a->y() == b->y() && a->width() == b->width() && a->height() == b->height();
}
}  // namespace

AXMonitor::AXMonitor(Accessibility& ax, Workspace& workspace, Scheduler& scheduler)
    : m_ax(ax),
      m_workspace(workspace),
      m_scheduler(scheduler),
      m_root(ax.root()),
      m_manualAccessibility(ax),
      m_self(std::make_shared<AXMonitor*>(this)) {}

AXMonitor::~AXMonitor() {
    m_self.reset();
    if (m_started)
        m_workspace.setActivationHandler({});
    if (m_trackTimer)
        m_scheduler.cancel(*m_trackTimer);
    stopLookingAgain();
    detachWatch();
}

void AXMonitor::start() {
    if (m_started)
        return;
    m_started = true;
    // Before any application is looked at: one that starts at this moment asks the desktop once
    // whether anyone listens, and sends no focus events ever after if nobody did.
    m_ax.startListening();
    m_workspace.setActivationHandler([self = weak(m_self)](const RunningApplication& app) {
        if (auto monitor = self.lock())
            (*monitor)->attach(app);
    });
    if (std::optional<RunningApplication> front = m_workspace.activeApplication())
        attach(*front);
}

void AXMonitor::attach(const RunningApplication& app) {
    // The program's own windows (the suggestion panel) never take the focus away from the field.
    if (app.pid == m_workspace.ownPid())
        return;
    detachWatch();

    m_watchedPid = app.pid;
    m_manualAccessibility.request(app.pid);

    m_watch = m_ax.createWatch(app.pid, [self = weak(m_self)](const Accessible& element, AccessEvent event) {
        if (auto monitor = self.lock())
            (*monitor)->handle(event, element);
    });
    if (m_watch) {
        // An application that is not on the accessibility bus yet still sends its notifications
        // once it is; they must not be lost for want of its element now.
        Accessible target = m_ax.application(app.pid);
        if (target.isNull())
            target = m_root;
        for (const AccessEvent event :
             {AccessEvent::focusChanged, AccessEvent::textChanged, AccessEvent::destroyed,
              AccessEvent::windowMoved, AccessEvent::applicationJoined})
            m_watch->watch(target, event);
    }
    stopLookingAgain();
    if (suspendFocusTracking)
        return;
    if (held()) {
        focusAfterHold();
        return;
    }
    readFocusOrLookAgain();
}

void AXMonitor::lookAgainForAWhile() {
    if (!m_started)
        return;
    m_lookUntil = m_scheduler.now() + lateApplicationWait;
    if (m_lookTimer)
        return;
    // Once as soon as the events already waiting are handled (the application's first focus may be
    // among them), then on every tick.
    m_scheduler.post([self = weak(m_self)] {
        if (auto monitor = self.lock())
            (*monitor)->lookAgain();
    });
    m_lookTimer = m_scheduler.every(trackInterval, [self = weak(m_self)] {
        if (auto monitor = self.lock())
            (*monitor)->lookAgain();
    });
}

void AXMonitor::stopLookingAgain() {
    if (m_lookTimer)
        m_scheduler.cancel(*m_lookTimer);
    m_lookTimer.reset();
}

void AXMonitor::lookAgain() {
    if (!m_lookTimer)
        return;
    if (m_current || suspendFocusTracking || m_scheduler.now() > m_lookUntil) {
        stopLookingAgain();
        return;
    }
    if (held()) {
        m_lookUntil = m_scheduler.now() + lateApplicationWait;
        return;
    }
    m_focusAfterHold = false;
    // Nothing is reported until a field turns up: "no field" was reported already.
    if (ownWindowIsActive())
        return;
    std::optional<Accessible> focused = m_ax.focusedElement();
    if (!focused)
        return;
    if (std::optional<FocusedField> field = FocusedField::from(m_ax, m_workspace, *focused))
        setCurrent(field);
}

bool AXMonitor::ownWindowIsActive() {
    const std::optional<RunningApplication> front = m_workspace.activeApplication();
    return front && front->pid == m_workspace.ownPid();
}

void AXMonitor::detachWatch() {
    m_watch.reset();
}

void AXMonitor::readFocus() {
    std::optional<FocusedField> field;
    if (std::optional<Accessible> focused = m_ax.focusedElement())
        field = FocusedField::from(m_ax, m_workspace, *focused);
    setCurrent(field);
}

void AXMonitor::readFocusOrLookAgain() {
    readFocus();
    if (!m_current)
        lookAgainForAWhile();
}

bool AXMonitor::held() const {
    return holdWhile && holdWhile();
}

void AXMonitor::focusAfterHold() {
    m_focusAfterHold = true;
    // Without a field there is no tick: the look for one waits for the hold to end.
    if (!m_trackTimer)
        lookAgainForAWhile();
}

void AXMonitor::handle(AccessEvent event, const Accessible& element) {
    // While held, what an event asks for waits for the first look after: the frame and the text are
    // read on every tick anyway, and the focus is read again.
    if (held()) {
        if (event == AccessEvent::textChanged) {
            if (m_current)
                m_valueChangedSinceRead = true;
        } else if (event != AccessEvent::windowMoved) {
            focusAfterHold();
        }
        return;
    }
    if (event == AccessEvent::focusChanged) {
        // With one of the program's own windows in front, the focus the application just lost went
        // to that window: the application's field stays current.
        // A busy application may announce its focus before it can say where it is, or before the
        // text there takes typing (a document still loading): it is looked for again for a while,
        // since a click into that field later sends no event of its own.
        if (!suspendFocusTracking && !ownWindowIsActive()) {
            readFocusOrLookAgain();
        }
    } else if (event == AccessEvent::applicationJoined) {
        // An application that came to the front before it was on the bus is asked now.
        m_manualAccessibility.request(m_watchedPid);
        if (!suspendFocusTracking && !m_current)
            lookAgainForAWhile();
    } else if (event == AccessEvent::destroyed) {
        if (m_current && m_current->element == element) {
            setCurrent(std::nullopt);
            // Some applications replace the field's element (an office document after an undo).
            if (!m_current)
                lookAgainForAWhile();
        }
    } else if (event == AccessEvent::textChanged) {
        // A burst of edits is read once, on the next tick. Some toolkits name a part of the field,
        // not the field itself: any edit in the watched application counts.
        if (m_current) {
            m_valueChangedSinceRead = true;
            wake();
        }
    } else if (event == AccessEvent::windowMoved) {
        notifyUpdateIfNeeded();
    }
}

void AXMonitor::setCurrent(const std::optional<FocusedField>& field) {
    // A frozen focus is never cleared.
    if (suspendFocusTracking && !field)
        return;
    m_current = field;
    if (field)
        stopLookingAgain();
    if (field) {
        m_lastFrame = m_ax.frame(field->element);
        readText();
    } else {
        m_lastFrame.reset();
        m_lastValueHash = 0;
        m_lastWordCount = 0;
        m_lastCharacterCount.reset();
        m_lastCaret.reset();
        m_lastNearCaretHash.reset();
        m_valueChangedSinceRead = false;
    }
    // A receiver may replace the field (or destroy the monitor); keep what it needs first.
    const std::weak_ptr<AXMonitor*> self = m_self;
    Q_EMIT focusChanged(field);
    if (self.expired())
        return;
    startOrStopTracking();
}

void AXMonitor::notifyUpdateIfNeeded() {
    if (!m_current)
        return;
    const std::optional<Rect> frame = m_ax.frame(m_current->element);
    const qint64 previousHash = m_lastValueHash;
    if (textMayHaveChanged())
        readText();
    if (sameFrame(frame, m_lastFrame) && m_lastValueHash == previousHash)
        return;
    m_lastFrame = frame;
    wake();
    const FocusedField field = *m_current;  // a receiver may change m_current
    Q_EMIT fieldUpdated(field);
}

void AXMonitor::focusChangedInProcess(const std::optional<FocusedField>& field) {
    if (suspendFocusTracking)
        return;
    if (!field && !(m_current && m_current->pid == m_workspace.ownPid()))
        return;
    setCurrent(field);
}

void AXMonitor::startOrStopTracking() {
    if (m_trackTimer)
        m_scheduler.cancel(*m_trackTimer);
    m_trackTimer.reset();
    if (!m_current)
        return;
    m_lastActivity = m_scheduler.now();
    track(trackInterval);
}

void AXMonitor::track(std::chrono::milliseconds interval) {
    if (m_trackTimer)
        m_scheduler.cancel(*m_trackTimer);
    m_trackInterval = interval;
    m_trackTimer = m_scheduler.every(interval, [self = weak(m_self)] {
        if (auto monitor = self.lock())
            (*monitor)->tick();
    });
}

void AXMonitor::tick() {
    if (held())
        return;
    if (std::exchange(m_focusAfterHold, false) && !suspendFocusTracking && !ownWindowIsActive()) {
        readFocusOrLookAgain();
        return;
    }
    const std::weak_ptr<AXMonitor*> self = m_self;
    notifyUpdateIfNeeded();
    // The update's callback may have replaced the field (a new timer) or destroyed the monitor.
    if (self.expired() || !m_current || !m_trackTimer)
        return;
    if (m_trackInterval < quietTrackInterval && m_scheduler.now() - m_lastActivity >= quietAfter)
        track(quietTrackInterval);
}

void AXMonitor::wake() {
    m_lastActivity = m_scheduler.now();
    if (m_trackTimer && m_trackInterval != trackInterval)
        track(trackInterval);
}

bool AXMonitor::textMayHaveChanged() {
    const Accessible& element = m_current->element;
    const std::optional<qint64> count = m_ax.characterCount(element);
    // Without a count there is nothing cheap to go by.
    if (!count)
        return true;
    const std::chrono::milliseconds now = m_scheduler.now();
    const bool due = now >= m_nextUnpromptedRead;
    const bool sampled = *count > longTextCharacters && m_lastNearCaretHash;
    if (due && !sampled)
        return true;
    // A change waits while the last read is too recent for its cost; it stays pending meanwhile.
    if (m_valueChangedSinceRead || count != m_lastCharacterCount || m_ax.caretOffset(element) != m_lastCaret)
        return now >= m_nextPromptedRead;
    if (!due)
        return false;
    // Nothing says the long text changed: the part around the caret stands for it.
    m_nextUnpromptedRead = now + fullReadInterval;
    const std::optional<QString> around = m_ax.textNearCaret(element);
    return !around || qint64(qHash(*around)) != *m_lastNearCaretHash;
}

void AXMonitor::readText() {
    const Accessible& element = m_current->element;
    const std::chrono::milliseconds started = m_scheduler.now();
    // The marks first: an edit made while the text is read shows as a change on the next tick.
    m_lastCharacterCount = m_ax.characterCount(element);
    m_lastCaret = m_ax.caretOffset(element);
    m_lastNearCaretHash.reset();
    if (m_lastCharacterCount > longTextCharacters)
        if (const std::optional<QString> around = m_ax.textNearCaret(element))
            m_lastNearCaretHash = qint64(qHash(*around));
    m_valueChangedSinceRead = false;
    const std::optional<QString> text = m_ax.text(element);
    m_lastValueHash = qint64(qHash(text.value_or(QString())));
    m_lastWordCount = FocusedField::countWords(text.value_or(QString()));
    const std::chrono::milliseconds finished = m_scheduler.now();
    // A read that failed (a busy application, a call that timed out) is tried again on the next tick.
    if (!text) {
        m_nextUnpromptedRead = finished;
        m_nextPromptedRead = finished;
        return;
    }
    const std::chrono::milliseconds cost = finished - started;
    m_nextUnpromptedRead =
        finished + std::clamp(cost * fullReadCostShare, fullReadInterval, longestFullReadInterval);
    m_nextPromptedRead = finished + std::min(cost * editReadCostShare, longestEditReadWait);
}

}  // namespace quillet
