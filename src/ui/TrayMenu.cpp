// The tray icon's menu, drawn from the tray's commands each time it is about to open.
#include "ui/TrayMenu.h"

#include <QMenu>

#include "core/Pause.h"

namespace quillet {

namespace {

// A menu title shows text as it is: "&" would become a mnemonic.
QString menuText(QString text) {
    return TrayCommands::oneLine(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

// Runs `command` when it is set; a menu item must never call an empty function.
template <typename F, typename... Args>
auto run(const F& command, Args... args) {
    return [command, args...] {
        if (command)
            command(args...);
    };
}

}  // namespace

void TrayMenu::fill(QMenu& menu, const TrayCommands& c, const L10n& l) {
    // Submenus made at the previous opening belong to the menu, not to its actions.
    for (QMenu* submenu : menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
        menu.removeAction(submenu->menuAction());
        submenu->deleteLater();
    }
    menu.clear();
    const bool paused = c.isPaused && c.isPaused();

    QAction* status = menu.addAction(paused ? l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet — paused"))
                                            : l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet — active")));
    status->setEnabled(false);
    menu.addSeparator();

    if (paused) {
        menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Resume")), &menu, run(c.resume));
    } else {
        QMenu* pause = menu.addMenu(l.text(QT_TRANSLATE_NOOP("Quillet", "Pause")));
        const std::optional<qint64> untilRestart;
        pause->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "For 15 minutes")), &menu,
                         run(c.pause, std::optional<qint64>(Pause::shortPause)));
        pause->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "For 1 hour")), &menu,
                         run(c.pause, std::optional<qint64>(Pause::longPause)));
        pause->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Until restart")), &menu,
                         run(c.pause, untilRestart));
    }

    QMenu* history = menu.addMenu(l.text(QT_TRANSLATE_NOOP("Quillet", "History")));
    // Right below the history (whose entries go into its submenu further down).
    if (const std::optional<QString> name = c.blockCandidate ? c.blockCandidate() : std::nullopt) {
        QAction* block = menu.addAction(menuText(l.text(QT_TRANSLATE_NOOP("Quillet", "Block %1")).arg(*name)),
                                        &menu, run(c.blockCandidateApplication));
        block->setObjectName(QStringLiteral("blockApplication"));
    }
    const QStringList titles = c.historyTitles ? c.historyTitles() : QStringList();
    if (titles.isEmpty()) {
        QAction* none =
            history->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "No corrections this session")));
        none->setEnabled(false);
    }
    for (int i = 0; i < titles.size(); ++i) {
        QAction* item = history->addAction(menuText(titles[i]), &menu, run(c.copyHistoryEntry, i));
        item->setData(i);
    }
    menu.addSeparator();

    QAction* settings =
        menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Settings…")), &menu, run(c.openSettings));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Run setup again…")), &menu, run(c.openSetup));
    menu.addSeparator();
    QAction* quit = menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Quit Quillet")), &menu, run(c.quit));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

}  // namespace quillet
