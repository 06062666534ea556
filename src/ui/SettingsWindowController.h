// The settings window: made once, hidden rather than destroyed when closed, titled at each opening.
#pragma once

#include <QObject>
#include <QPointer>

#include "ui/SettingsView.h"

class QWidget;

namespace quillet {

class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    /// Builds the hidden window and its view on `store`, which must outlive the controller.
    SettingsWindowController(SettingsStore& store, KeyValidator validateKey,
                             SettingsView::ShortcutControl shortcut = {}, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    /// Titles the window in the current language, centres it on its screen, shows it and brings it
    /// to the front with the keyboard focus.
    void present();

    QWidget* window() const { return m_window; }
    SettingsView* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    SettingsView* m_view;
};

/// Centres `window` on its screen (the primary one when it has none yet), shows it, raises it and
/// gives it the focus. Shared by the settings and setup windows.
void presentCentered(QWidget& window);

}  // namespace quillet
