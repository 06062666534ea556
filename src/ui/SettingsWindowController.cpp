// The settings window: made once, hidden rather than destroyed when closed, titled at each opening.
#include "ui/SettingsWindowController.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

#include "core/L10n.h"

namespace quillet {

void presentCentered(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
    if (window.isMinimized())
        window.showNormal();
    else
        window.show();
    window.raise();
    window.activateWindow();
}

SettingsWindowController::SettingsWindowController(SettingsStore& store, KeyValidator validateKey,
                                                   SettingsView::ShortcutControl shortcut, QObject* parent)
    : QObject(parent) {
    m_window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    m_window->setObjectName(QStringLiteral("settingsWindow"));
    // Closing only hides it, and a tray program must not end when its last window closes.
    m_window->setAttribute(Qt::WA_QuitOnClose, false);
    m_view = new SettingsView(store, std::move(validateKey), std::move(shortcut), m_window);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_window->setFixedSize(SettingsView::width, SettingsView::height);
    // Escape closes it, as it closes any settings window.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), m_window);
    connect(close, &QShortcut::activated, m_window, &QWidget::close);
    m_window->installEventFilter(this);
}

bool SettingsWindowController::eventFilter(QObject* watched, QEvent* event) {
    // A pause may have ended, or another application come to the front, while the window was
    // behind: what the tray's section shows is read again when it comes back.
    if (watched == m_window && event->type() == QEvent::WindowActivate)
        m_view->refreshStatus();
    return QObject::eventFilter(watched, event);
}

SettingsWindowController::~SettingsWindowController() {
    // Later, not now: the controller may go while one of the window's own handlers is running.
    if (m_window) {
        m_window->hide();
        m_window->deleteLater();
    }
}

void SettingsWindowController::present() {
    if (!m_window)
        return;
    const L10n l = L10n::current();
    m_window->setWindowTitle(l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet — Settings")));
    presentCentered(*m_window);
}

}  // namespace quillet
