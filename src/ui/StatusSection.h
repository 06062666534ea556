// What the tray menu offers, as a section of the settings window for desktops without a tray: the
// state with Pause or Resume, blocking the application in front, this run's replacements, the setup
// and Quit.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "core/L10n.h"
#include "ui/FormSection.h"
#include "ui/Style.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace quillet {

/// The tray menu's commands and what it shows, read afresh at every refresh.
struct TrayCommands {
    std::function<bool()> isPaused;
    /// For `seconds`, or until restart without a duration.
    std::function<void(std::optional<qint64> seconds)> pause;
    std::function<void()> resume;
    /// The replacements of this run as the menu titles them, newest first.
    std::function<QStringList()> historyTitles;
    std::function<void(int index)> copyHistoryEntry;
    /// The name of the application "Block <name>" would add; empty when there is none to offer.
    std::function<std::optional<QString>()> blockCandidate;
    std::function<void()> blockCandidateApplication;
    std::function<void()> openSetup;
    std::function<void()> quit;
};

class StatusSection : public FormSection {
    Q_OBJECT
public:
    static constexpr qint64 shortPause = 900;
    static constexpr qint64 longPause = 3600;

    explicit StatusSection(TrayCommands commands, QWidget* parent = nullptr);

    /// Redraws the section from the commands, in the current language.
    void refresh();

private:
    void refreshHistory(const QStringList& titles);

    TrayCommands m_commands;
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
