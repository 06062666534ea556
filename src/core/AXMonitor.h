// Follows the keyboard focus of the frontmost application and reports focus changes and changes
// of the current field's frame or text.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/FocusedField.h"
#include "platform/Geometry.h"
#include "platform/Scheduler.h"

namespace quillet {

class Accessibility;
class AXObserver;
class Screens;
class Workspace;
struct RunningApplication;

class AXMonitor {
public:
    /// How often the current field is re-checked, for toolkits that send no notification.
    static constexpr std::chrono::milliseconds trackInterval{150};
    /// How long the focus is looked for again, on the same tick, after an activation (or an
    /// application joining the desktop) found no field: an application started just now may not be
    /// on the accessibility bus yet, or not have said where its focus is.
    static constexpr std::chrono::milliseconds lateApplicationWait{5000};

    AXMonitor(Accessibility& ax, Workspace& workspace, Screens& screens, Scheduler& scheduler);
    AXMonitor(const AXMonitor&) = delete;
    AXMonitor& operator=(const AXMonitor&) = delete;
    ~AXMonitor();

    /// Called on every focus change, with the new field or with nothing.
    std::function<void(const std::optional<FocusedField>&)> onFocusChanged;
    /// Called when the current field's frame or text changed since it was last reported.
    std::function<void(const FocusedField&)> onFieldUpdated;
    /// While true, focus changes are ignored and the current field stays; updates go on.
    bool suspendFocusTracking = false;

    /// Follows application activations and attaches to the frontmost application. Call once.
    void start();
    /// The element whose focused element is the frontmost application's focus.
    const AXElement& systemWide() const { return m_systemWide; }
    /// The field reported last by a focus change.
    const std::optional<FocusedField>& current() const { return m_current; }
    /// Re-checks the current field now, reporting an update if it changed (the timer's tick).
    void notifyUpdateIfNeeded();
    /// A focus change inside the program's own windows, which the desktop never reports to it:
    /// `field` of this process took the focus, or, with nothing, the one that had it lost it.
    /// Ignored while focus tracking is suspended; a loss changes nothing while another process's
    /// field is current.
    void focusChangedInProcess(const std::optional<FocusedField>& field);

private:
    void attach(const RunningApplication& app);
    void detachObserver();
    void handle(const QString& notification, const AXElement& element);
    void readFocus();
    void setCurrent(const std::optional<FocusedField>& field);
    void startOrStopTracking();
    qint64 valueHash(const FocusedField& field);
    /// Looks for the focus again on the tick until a field turns up or the wait is over.
    void lookAgainForAWhile();
    void stopLookingAgain();
    void lookAgain();
    bool ownWindowIsFrontmost();

    Accessibility& m_ax;
    Workspace& m_workspace;
    Screens& m_screens;
    Scheduler& m_scheduler;
    AXElement m_systemWide;
    std::unique_ptr<AXObserver> m_observer;
    std::optional<FocusedField> m_current;
    std::optional<TimerId> m_trackTimer;
    std::optional<TimerId> m_lookTimer;
    std::chrono::milliseconds m_lookUntil{0};
    std::optional<Rect> m_lastFrame;
    qint64 m_lastValueHash = 0;
    bool m_started = false;
    // Callbacks handed to the desktop and the scheduler hold this weakly.
    std::shared_ptr<AXMonitor*> m_self;
};

}  // namespace quillet
