// This run's replacements, newest first, each named after the application it was made in.
#include "core/History.h"

#include <QUuid>
#include <algorithm>

#include "core/FocusedField.h"
#include "platform/Clipboard.h"
#include "platform/Workspace.h"

namespace quillet {

void History::record(Workspace& workspace, const FocusedField& field, const QString& original,
                     const QString& replacement, const QDateTime& when) {
    HistoryEntry::insert(m_entries, HistoryEntry{QUuid::createUuid(), original, replacement,
                                                 applicationName(workspace, field), when});
    Q_EMIT changed();
}

void History::copy(int index, Clipboard& clipboard) const {
    if (index < 0 || index >= m_entries.size())
        return;
    clipboard.clear();
    clipboard.write({ClipboardItem{{ClipboardType::plainText, m_entries[index].replacement.toUtf8()}}});
}

QString History::applicationName(Workspace& workspace, const FocusedField& field) {
    if (!field.appId)
        return HistoryEntry::unknownApplication;
    // A program of several processes (a browser's content process holds the field) is named by the
    // first of them the workspace lists under the field's identifier.
    // The field's own process comes last: the list leaves this program out (the setup's sample field).
    QList<RunningApplication> running = workspace.runningApplications();
    if (const std::optional<RunningApplication> own = workspace.runningApplication(field.applicationPid()))
        running << *own;
    const auto app = std::find_if(running.begin(), running.end(),
                                  [&field](const RunningApplication& a) { return a.appId == field.appId; });
    if (app == running.end() || !app->name || app->name->isEmpty())
        return HistoryEntry::unknownApplication;
    return *app->name;
}

}  // namespace quillet
