// Which text holds the keyboard in an application whose text does not say it has the focus, told
#include "platform/linux/atspi/CaretTrail.h"

namespace quillet {

void CaretTrail::focusClaimed(qint32 pid, const Accessible& element) {
    Trail& trail = m_trails[pid];
    // A text that both claims the focus and moves its caret is followed by its claim.
    trail.sinceClaim = false;
    if (!(trail.caret == element))
        trail.caret = Accessible();
}

bool CaretTrail::caretMoved(qint32 pid, const Accessible& element,
                            const std::function<std::optional<bool>()>& isText) {
    if (element.isNull())
        return false;
    Trail& trail = m_trails[pid];
    if (trail.caret == element) {
        trail.sinceClaim = true;
        return false;
    }
    if (m_notText.contains(element))
        return false;
    const std::optional<bool> text = isText();
    // A busy application that did not answer is asked again at the caret's next move.
    if (!text)
        return false;
    if (!*text) {
        if (m_notText.size() >= 64)
            m_notText.clear();
        m_notText.append(element);
        return false;
    }
    trail.caret = element;
    trail.sinceClaim = true;
    return true;
}

Accessible CaretTrail::candidate(qint32 pid) const {
    const auto it = m_trails.find(pid);
    return it != m_trails.end() && it->sinceClaim ? it->caret : Accessible();
}

void CaretTrail::forget(qint32 pid) {
    m_trails.remove(pid);
}

}  // namespace quillet
