// The settings' global shortcut row: the recorder and its Clear button, why a combination was
// refused or could not be taken, and where the desktop holds the shortcut, the steps to bind it there.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "core/L10n.h"
#include "core/Shortcut.h"

class QLabel;
class QPushButton;

namespace quillet {

class SettingsStore;
class ShortcutRecorder;

class ShortcutRow : public QWidget {
    Q_OBJECT
public:
    /// The global shortcut behind the recorder. Without `change`, a new combination is only stored.
    struct Control {
        /// Why the stored shortcut could not be taken at start; empty while it works.
        std::function<std::optional<GrabError>()> startupFailure;
        /// Takes `shortcut` (empty: none) as the global shortcut and stores it; on failure nothing
        /// changes and the reason comes back.
        std::function<std::optional<GrabError>(const std::optional<Shortcut>& shortcut)> change;
        /// While recording, presses of the current shortcut reach the recorder.
        std::function<void(bool recording)> suspend;
        /// Where the desktop holds the shortcut and runs `quillet --trigger` for it: the steps that
        /// bind it there, one paragraph each, shown in place of the recorder (none: the recorder).
        std::function<QStringList(const L10n& l)> desktopSteps;
        /// What the desktop keeps from Quillet besides, one paragraph each, shown under the recorder.
        std::function<QStringList(const L10n& l)> desktopNote;
    };

    /// `store` must outlive the row.
    ShortcutRow(SettingsStore& store, Control control, QWidget* parent = nullptr);
    /// A recording in progress holds the keyboard and the suspended shortcut: both are given back.
    ~ShortcutRow() override;

    /// Redraws from the store in the language `l`.
    void refresh(const L10n& l);
    /// Makes `shortcut` (empty: none) the global shortcut; a refusal is shown under the row.
    void change(const std::optional<Shortcut>& shortcut);

private:
    void showError(const QString& text);

    SettingsStore& m_store;
    Control m_control;
    QLabel* m_label;
    ShortcutRecorder* m_recorder;
    QPushButton* m_clear;
    QLabel* m_unavailable;
    QLabel* m_error;
    QLabel* m_steps;
};

}  // namespace quillet
