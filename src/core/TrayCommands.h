// The tray's commands, one set for the tray menu and for the settings window's section that stands
// in for it on desktops without a tray.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "platform/Workspace.h"

namespace quillet {

class History;
class Clipboard;
class SettingsStore;

/// What the commands act on. The pointers must outlive the commands made from them.
struct TrayParts {
    SettingsStore* settings = nullptr;
    Clipboard* clipboard = nullptr;
    const History* history = nullptr;
    std::function<bool()> isPaused;
    /// The application of the field the user was last in (see AppCoordinator::fieldApplication).
    std::function<std::optional<RunningApplication>()> fieldApplication;
};

/// What the tray shows, read afresh each time it is drawn. Every function may be empty.
struct TrayState {
    std::function<bool()> isPaused;
    /// The replacements of this run as the menu titles them (on one line), newest first.
    std::function<QStringList()> historyTitles;
    /// The name of the application "Block <name>" would add; empty when there is none to offer.
    std::function<std::optional<QString>()> blockCandidate;
};

/// The commands the tray carries out on its parts; pausing, the windows and the end belong to the
/// program's owner.
class TrayCommands {
public:
    explicit TrayCommands(TrayParts parts) : m_parts(std::move(parts)) {}

    /// The questions the menu asks as it is drawn.
    TrayState state() const;
    /// The name of the application "Block <name>" would add; empty when there is none to offer.
    std::optional<QString> blockCandidate() const;
    /// Puts the replacement of the history's entry at `index` on the clipboard.
    void copyHistoryEntry(int index) const;
    /// Adds the application blockCandidate() names to the blocklist; nothing without one.
    void blockCandidateApplication() const;

    /// The application "Block <name>" offers: `app`, unless it has no identifier or is blocked already.
    static std::optional<RunningApplication> blockable(const SettingsStore& settings,
                                                       std::optional<RunningApplication> app);
    /// `text` on one line, as a menu item or a row shows it.
    static QString oneLine(QString text);

private:
    TrayParts m_parts;
};

}  // namespace quillet
