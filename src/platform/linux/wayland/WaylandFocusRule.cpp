// Which field has the keyboard focus in a Wayland session, decided from accessibility events alone:
#include "platform/linux/wayland/WaylandFocusRule.h"

#include "platform/EditableText.h"

namespace quillet {

WaylandFocusRule::WaylandFocusRule(Accessibility& ax, qint32 ownPid) : m_ax(ax), m_ownPid(ownPid) {}

Accessible WaylandFocusRule::latestOfActive() const {
    return m_activePid == 0 ? Accessible() : m_latestFocus.value(m_activePid);
}

bool WaylandFocusRule::handle(const FocusEvent& event) {
    if (event.pid == m_ownPid || (event.kind != FocusEvent::Kind::applicationGone && event.element.isNull()))
        return false;
    const qint32 pidBefore = m_activePid;
    const Accessible latestBefore = latestOfActive();

    switch (event.kind) {
        case FocusEvent::Kind::windowActivated:
            m_activeWindow = event.element;
            m_activePid = event.pid;
            break;
        case FocusEvent::Kind::windowDeactivated:
            // mutter may announce the next window before the previous one lets go: only the
            // window in front can take the front away.
            if (event.element == m_activeWindow) {
                m_activeWindow = Accessible();
                m_activePid = 0;
            }
            break;
        case FocusEvent::Kind::focusGained:
            m_latestFocus.insert(event.pid, event.element);
            break;
        case FocusEvent::Kind::focusLost:
            // A loss reported late, after another element of the same application took the
            // focus, leaves the newer element alone.
            if (m_latestFocus.value(event.pid) == event.element)
                m_latestFocus.remove(event.pid);
            break;
        case FocusEvent::Kind::elementGone:
            if (m_latestFocus.value(event.pid) == event.element)
                m_latestFocus.remove(event.pid);
            if (event.element == m_activeWindow) {
                m_activeWindow = Accessible();
                m_activePid = 0;
            }
            break;
        case FocusEvent::Kind::applicationGone:
            m_latestFocus.remove(event.pid);
            if (m_activePid == event.pid) {
                m_activeWindow = Accessible();
                m_activePid = 0;
            }
            break;
    }
    return m_activePid != pidBefore || !(latestOfActive() == latestBefore);
}

Accessible WaylandFocusRule::focusedElement() {
    const Accessible latest = latestOfActive();
    if (latest.isNull() || !isEditableTextElement(m_ax, latest))
        return Accessible();
    return latest;
}

void WaylandFocusRule::reset() {
    m_activeWindow = Accessible();
    m_activePid = 0;
    m_latestFocus.clear();
}

}  // namespace quillet
