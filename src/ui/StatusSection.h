// What the tray menu offers, as a section of the settings window for desktops without a tray: the
// state with Pause or Resume, blocking the application in front, this run's replacements, the setup
// and Quit.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "core/L10n.h"
#include "core/TrayCommands.h"
#include "ui/FormSection.h"
#include "ui/Style.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace quillet {

class StatusSection : public FormSection {
    Q_OBJECT
public:
    explicit StatusSection(TrayState state, QWidget* parent = nullptr);

    /// Redraws the section from the state, in the current language.
    void refresh();

Q_SIGNALS:
    // The tray menu's choices (see TrayMenu); the section redraws itself after pause, resume and block.
    void pauseChosen(std::optional<qint64> seconds);
    void resumeChosen();
    void historyEntryChosen(int index);
    void blockChosen();
    void setupChosen();
    void quitChosen();

private:
    void refreshHistory(const QStringList& titles);

    TrayState m_tray;
    QLabel* m_state;
    QPushButton* m_pause;
    QPushButton* m_resume;
    QWidget* m_blockRow;
    QPushButton* m_block;
    QLabel* m_historyLabel;
    QWidget* m_historyBox;
    QVBoxLayout* m_historyLayout;
    QPushButton* m_setup;
    QPushButton* m_quit;
    QStringList m_shownHistory;
    std::optional<AppLanguage> m_historyLanguage;
};

}  // namespace quillet
