// The tray's commands, one set for the tray menu and for the settings window's section that stands
// in for it on desktops without a tray.
#include "core/TrayCommands.h"

#include "core/History.h"
#include "core/SettingsStore.h"

namespace quillet {

TrayCommands TrayCommands::over(TrayParts parts) {
    TrayCommands c;
    c.isPaused = parts.isPaused;
    c.pause = parts.pause;
    c.resume = parts.resume;
    c.openSettings = parts.openSettings;
    c.openSetup = parts.openSetup;
    c.quit = parts.quit;
    const History* history = parts.history;
    c.historyTitles = [history] {
        QStringList titles;
        for (const HistoryEntry& entry : history->entries())
            titles << oneLine(entry.menuTitle());
        return titles;
    };
    Clipboard* clipboard = parts.clipboard;
    c.copyHistoryEntry = [history, clipboard](int index) { history->copy(index, *clipboard); };
    SettingsStore* settings = parts.settings;
    auto candidate = [settings, fieldApplication = parts.fieldApplication] {
        return blockable(*settings, fieldApplication ? fieldApplication() : std::nullopt);
    };
    c.blockCandidate = [candidate]() -> std::optional<QString> {
        const std::optional<RunningApplication> app = candidate();
        if (!app)
            return std::nullopt;
        return app->name && !app->name->isEmpty() ? *app->name : *app->appId;
    };
    c.blockCandidateApplication = [settings, candidate] {
        const std::optional<RunningApplication> app = candidate();
        if (!app)
            return;
        // The store's change reaches the coordinator, which hides the icon.
        settings->setBlocklist(settings->blocklist() << *app->appId);
    };
    return c;
}

std::optional<RunningApplication> TrayCommands::blockable(const SettingsStore& settings,
                                                          std::optional<RunningApplication> app) {
    if (!app || !app->appId || app->appId->isEmpty() || settings.blocklist().contains(*app->appId))
        return std::nullopt;
    return app;
}

QString TrayCommands::oneLine(QString text) {
    // A tab would split a menu item into a title and a shortcut column, and a line break would make
    // a two-line item.
    for (QChar c : {QChar('\t'), QChar('\n'), QChar('\r'), QChar(QChar::LineSeparator),
                    QChar(QChar::ParagraphSeparator)})
        text.replace(c, QLatin1Char(' '));
    return text;
}

}  // namespace quillet
