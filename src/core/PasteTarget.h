// Where a synthetic paste may go: the application (and, where known, the window) the text belongs
// to, brought to the front first. The keys go out only once it is there, never into whatever
// happens to be in front instead (an application that quit leaves another one there).
#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace quillet {

class Workspace;

struct PasteTarget {
    /// The application's process; 0 for whichever application is in front.
    qint32 pid = 0;
    /// Its desktop-entry id: another process of the same application (a browser's) counts as it.
    std::optional<QString> appId = std::nullopt;
    /// The desktop's id of its window; 0 when unknown, then any window of the application will do.
    quint64 window = 0;

    /// How long the target may take to come to the front.
    static constexpr std::chrono::milliseconds frontTimeout{1000};

    /// The application in front now, with its window.
    static PasteTarget front(Workspace& workspace);

    /// Asks the desktop to bring the target to the front.
    void activate(Workspace& workspace) const;
    /// Whether the target is in front: true for pid 0, and where the desktop does not tell.
    bool isInFront(Workspace& workspace) const;
};

}  // namespace quillet
