// One replacement made in this run, as the tray menu lists it.
#include "core/HistoryEntry.h"

#include "core/OpenAIClient.h"

namespace quillet {

void HistoryEntry::insert(QList<HistoryEntry>& history, HistoryEntry entry) {
    history.prepend(std::move(entry));
    while (history.size() > maxEntries)
        history.removeLast();
}

QString HistoryEntry::menuTitle() const {
    constexpr int limit = 40;
    const QString head = OpenAIClient::cutText(replacement, limit);
    return appName + QStringLiteral(": ") + head +
           (head.size() < replacement.size() ? QStringLiteral("…") : QString());
}

}  // namespace quillet
