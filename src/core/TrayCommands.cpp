// The tray's commands, one set for the tray menu and for the settings window's section that stands
// in for it on desktops without a tray.
#include "core/TrayCommands.h"

#include "core/History.h"
#include "core/SettingsStore.h"

namespace quillet {

namespace {

std::optional<RunningApplication> candidateOf(const TrayParts& parts) {
    return TrayCommands::blockable(*parts.settings,
                                   parts.fieldApplication ? parts.fieldApplication() : std::nullopt);
}

}  // namespace

TrayState TrayCommands::state() const {
    TrayState s;
    s.isPaused = m_parts.isPaused;
    s.historyTitles = [history = m_parts.history] {
        QStringList titles;
        for (const HistoryEntry& entry : history->entries())
            titles << oneLine(entry.menuTitle());
        return titles;
    };
    s.blockCandidate = [commands = *this] { return commands.blockCandidate(); };
    return s;
}

std::optional<QString> TrayCommands::blockCandidate() const {
    const std::optional<RunningApplication> app = candidateOf(m_parts);
    if (!app)
        return std::nullopt;
    return app->name && !app->name->isEmpty() ? *app->name : *app->appId;
}

void TrayCommands::copyHistoryEntry(int index) const {
    m_parts.history->copy(index, *m_parts.clipboard);
}

void TrayCommands::blockCandidateApplication() const {
    const std::optional<RunningApplication> app = candidateOf(m_parts);
    if (!app)
        return;
    // The store's change reaches the coordinator, which hides the icon.
    m_parts.settings->setBlocklist(m_parts.settings->blocklist() << *app->appId);
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
