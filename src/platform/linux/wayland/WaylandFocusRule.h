// Which field has the keyboard focus in a Wayland session, decided from accessibility events alone:
// there the desktop names no active window to other programs, so the events are the only witness.
#pragma once

#include <QHash>

#include "base/FocusEvent.h"
#include "platform/Accessibility.h"

namespace quillet {

/// The focused field is the latest element that took the focus in the application whose window
/// is active, when that element is editable text. Each application's latest element is kept while
/// another is in front, because toolkits differ in what they send when their window comes back:
/// GTK announces its focused text again, Qt says nothing.
class WaylandFocusRule {
public:
    /// Events of `ownPid` are dropped: this program never asks its own widgets over the bus, which
    /// would wait on itself.
    WaylandFocusRule(Accessibility& ax, qint32 ownPid);
    WaylandFocusRule(const WaylandFocusRule&) = delete;
    WaylandFocusRule& operator=(const WaylandFocusRule&) = delete;

    /// Takes one event, in the order the bus delivered it. True when the active application or its
    /// latest focused element changed; asks no application anything.
    bool handle(const FocusEvent& event);
    /// The process whose window is active; 0 when no window is known to be.
    qint32 activePid() const { return m_activePid; }
    /// The active application's latest focused element when it is editable text now; a null
    /// element otherwise. Asks that application (one or two round trips).
    Accessible focusedElement();
    /// Forgets every window and element, as after the accessibility bus restarted.
    void reset();

private:
    Accessible latestOfActive() const;

    Accessibility& m_ax;
    qint32 m_ownPid;
    Accessible m_activeWindow;
    qint32 m_activePid = 0;
    QHash<qint32, Accessible> m_latestFocus;
};

}  // namespace quillet
