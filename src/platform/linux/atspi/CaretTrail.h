// Which text holds the keyboard in an application whose text does not say it has the focus, told
// by where the caret last moved.
#pragma once

#include <QHash>
#include <QList>
#include <functional>
#include <optional>

#include "platform/Accessibility.h"

namespace quillet {

/// Some texts take the keyboard without ever claiming the focus (a GTK 4 entry in a search bar, an
/// office cell being edited), but their caret moves as the user clicks and types there. Per
/// process, the trail keeps the element whose caret moved last and whether that came after the
/// latest element that claimed the focus. Told of events in the order the bus delivered them; asks
/// no application anything.
class CaretTrail {
public:
    /// `element` of process `pid` claimed the focus.
    void focusClaimed(qint32 pid, const Accessible& element);
    /// The caret moved in `element` of process `pid`. Labels and logs move carets too: only a text the
    /// user types into counts, which `isText` tells (empty where the application did not answer); it
    /// is asked only of an element that is new to the trail, and an element found not to be one is
    /// not asked again. True when the caret moved into another text than before in that process:
    /// where the keyboard is may have changed.
    bool caretMoved(qint32 pid, const Accessible& element,
                    const std::function<std::optional<bool>()>& isText);
    /// The element of `pid` whose caret moved last, when nothing claimed the focus since; a null
    /// element otherwise. The caller checks that it is still there, is text and is in the window in
    /// front.
    Accessible candidate(qint32 pid) const;
    /// Forgets everything of process `pid`, as when its application left the bus.
    void forget(qint32 pid);

private:
    struct Trail {
        Accessible caret;
        bool sinceClaim = false;
    };
    QHash<qint32, Trail> m_trails;
    // Elements whose caret moved but that are no text to type into, held so that their identity
    // stays theirs; forgotten all at once when there are many.
    QList<Accessible> m_notText;
};

}  // namespace quillet
