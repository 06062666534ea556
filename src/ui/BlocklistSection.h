// The settings' block list: one row per blocked application, with its name where one is known, and
// the field that adds one, completing from the applications running now.
#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/L10n.h"
#include "platform/Workspace.h"

class QCompleter;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace quillet {

class FormSection;
class SettingsStore;

class BlocklistSection : public QWidget {
    Q_OBJECT
public:
    /// Where the list finds the names of applications.
    struct ApplicationDirectory {
        /// The installed application's name for an identifier.
        std::function<std::optional<QString>(const QString& appId)> nameFor;
        /// The applications running now, offered while typing a new entry.
        std::function<QList<RunningApplication>()> running;
    };
    /// The height of one entry's row.
    static constexpr int rowHeight = 28;

    /// `store` must outlive the section.
    explicit BlocklistSection(SettingsStore& store, QWidget* parent = nullptr);

    void setApplicationDirectory(ApplicationDirectory directory);
    /// Redraws from the store in the interface language of the moment; `force` redraws the rows even
    /// when neither changed (after a new palette).
    void refresh(bool force = false);

    QString newEntry() const;
    /// Appends the new-app field's text, trimmed of spaces and tabs, unless it is empty or listed.
    void add();
    /// Removes every entry equal to `appId`.
    void remove(const QString& appId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshRows();
    void fillCompletions();

    SettingsStore& m_store;
    ApplicationDirectory m_applications;
    QStringList m_shown;
    std::optional<AppLanguage> m_shownLanguage;

    FormSection* m_section;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    QLineEdit* m_newAppField;
    QCompleter* m_completer;
    QPushButton* m_addButton;
};

}  // namespace quillet
