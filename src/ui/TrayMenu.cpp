// The tray icon's menu, drawn from the tray's state each time it is about to open; it reports the
// user's choice.
#include "ui/TrayMenu.h"

#include "core/Pause.h"

namespace quillet {

namespace {

// A menu title shows text as it is: "&" would become a mnemonic.
QString menuText(QString text) {
    return TrayCommands::oneLine(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

}  // namespace

void TrayMenu::fill(const TrayState& c, const L10n& l) {
    QMenu& menu = *this;
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
        menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Resume")), this, &TrayMenu::resumeChosen);
    } else {
        QMenu* pause = menu.addMenu(l.text(QT_TRANSLATE_NOOP("Quillet", "Pause")));
        const auto pauseFor = [this](std::optional<qint64> seconds) {
            return [this, seconds] { Q_EMIT pauseChosen(seconds); };
        };
        pause->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "For 15 minutes")), this,
                         pauseFor(Pause::shortPause));
        pause->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "For 1 hour")), this,
                         pauseFor(Pause::longPause));
        pause->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Until restart")), this, pauseFor(std::nullopt));
    }

    QMenu* history = menu.addMenu(l.text(QT_TRANSLATE_NOOP("Quillet", "History")));
    // Right below the history (whose entries go into its submenu further down).
    if (const std::optional<QString> name = c.blockCandidate ? c.blockCandidate() : std::nullopt) {
        QAction* block = menu.addAction(menuText(l.text(QT_TRANSLATE_NOOP("Quillet", "Block %1")).arg(*name)),
                                        this, &TrayMenu::blockChosen);
        block->setObjectName(QStringLiteral("blockApplication"));
    }
    const QStringList titles = c.historyTitles ? c.historyTitles() : QStringList();
    if (titles.isEmpty()) {
        QAction* none =
            history->addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "No corrections this session")));
        none->setEnabled(false);
    }
    for (int i = 0; i < titles.size(); ++i) {
        QAction* item =
            history->addAction(menuText(titles[i]), this, [this, i] { Q_EMIT historyEntryChosen(i); });
        item->setData(i);
    }
    menu.addSeparator();

    QAction* settings =
        menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Settings…")), this, &TrayMenu::settingsChosen);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Run setup again…")), this, &TrayMenu::setupChosen);
    menu.addSeparator();
    QAction* quit =
        menu.addAction(l.text(QT_TRANSLATE_NOOP("Quillet", "Quit Quillet")), this, &TrayMenu::quitChosen);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

}  // namespace quillet
