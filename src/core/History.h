// This run's replacements, newest first, each named after the application it was made in.
#pragma once

#include <QList>
#include <QObject>

#include "core/HistoryEntry.h"

namespace quillet {

class Clipboard;
class Workspace;
struct FocusedField;

class History : public QObject {
    Q_OBJECT
public:
    explicit History(QObject* parent = nullptr) : QObject(parent) {}

    const QList<HistoryEntry>& entries() const { return m_entries; }
    /// Records that `original` became `replacement` in `field` at `when`.
    void record(Workspace& workspace, const FocusedField& field, const QString& original,
                const QString& replacement, const QDateTime& when);
    /// Puts the replacement of the entry at `index` on the clipboard; out of range does nothing.
    void copy(int index, Clipboard& clipboard) const;

    /// The name a replacement in `field` is recorded under: its application's, or
    /// HistoryEntry::unknownApplication.
    static QString applicationName(Workspace& workspace, const FocusedField& field);

Q_SIGNALS:
    /// After every insertion.
    void changed();

private:
    QList<HistoryEntry> m_entries;
};

}  // namespace quillet
