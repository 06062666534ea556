// The tray icon's menu, drawn from the tray's state each time it is about to open; it reports the
// user's choice.
#pragma once

#include <QMenu>
#include <optional>

#include "core/L10n.h"
#include "core/TrayCommands.h"

namespace quillet {

class TrayMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;

    /// Empties the menu and fills it from `state` for the state and the language `l` of this moment.
    void fill(const TrayState& state, const L10n& l);

Q_SIGNALS:
    /// For `seconds`, or until restart without a duration.
    void pauseChosen(std::optional<qint64> seconds);
    void resumeChosen();
    /// The replacement at `index` of the history's titles goes on the clipboard.
    void historyEntryChosen(int index);
    /// "Block <name>": the application the state's blockCandidate names.
    void blockChosen();
    void settingsChosen();
    void setupChosen();
    void quitChosen();
};

}  // namespace quillet
