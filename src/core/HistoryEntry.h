// One replacement made in this run, as the tray menu lists it.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

namespace quillet {

struct HistoryEntry {
    /// The name recorded when the field's application cannot be named; the same in both languages.
    static inline const QString unknownApplication = QStringLiteral("Nepoznata aplikacija");
    static constexpr int maxEntries = 10;

    QUuid id;
    /// The text that was sent for suggestions (the selection, or the whole value), untrimmed.
    QString original;
    /// The text that was written into the field.
    QString replacement;
    QString appName;
    QDateTime date;

    /// Puts `entry` first and drops the oldest entries beyond maxEntries.
    static void insert(QList<HistoryEntry>& history, HistoryEntry entry);
    /// The menu title: app name, ": ", the first 40 user-perceived characters, "…" when cut.
    QString menuTitle() const;
};

}  // namespace quillet
