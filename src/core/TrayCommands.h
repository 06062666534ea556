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
struct TrayCommands;

/// What the commands act on. The pointers must outlive the commands made from them.
struct TrayParts {
    SettingsStore* settings = nullptr;
    Clipboard* clipboard = nullptr;
    const History* history = nullptr;
    std::function<bool()> isPaused;
    std::function<void(std::optional<qint64> seconds)> pause;
    std::function<void()> resume;
    /// The application of the field the user was last in (see AppCoordinator::fieldApplication).
    std::function<std::optional<RunningApplication>()> fieldApplication;
    std::function<void()> openSettings;
    std::function<void()> openSetup;
    std::function<void()> quit;
};

/// What the tray offers and shows, read afresh each time it is drawn. Every function may be empty.
struct TrayCommands {
    std::function<bool()> isPaused;
    /// For `seconds`, or until restart without a duration.
    std::function<void(std::optional<qint64> seconds)> pause;
    std::function<void()> resume;
    /// The replacements of this run as the menu titles them (on one line), newest first.
    std::function<QStringList()> historyTitles;
    std::function<void(int index)> copyHistoryEntry;
    /// The name of the application "Block <name>" would add; empty when there is none to offer.
    std::function<std::optional<QString>()> blockCandidate;
    std::function<void()> blockCandidateApplication;
    std::function<void()> openSettings;
    std::function<void()> openSetup;
    std::function<void()> quit;

    /// The commands over `parts`.
    static TrayCommands over(TrayParts parts);
    /// The application "Block <name>" offers: `app`, unless it has no identifier or is blocked already.
    static std::optional<RunningApplication> blockable(const SettingsStore& settings,
                                                       std::optional<RunningApplication> app);
    /// `text` on one line, as a menu item or a row shows it.
    static QString oneLine(QString text);
};

}  // namespace quillet
