#include "core/ClipboardSnapshot.h"

namespace quillet {

ClipboardSnapshot ClipboardSnapshot::capture(Pasteboard& pasteboard) {
    ClipboardSnapshot snapshot;
    snapshot.items = pasteboard.items();
    snapshot.complete = !pasteboard.lastReadTimedOut();
    return snapshot;
}

void ClipboardSnapshot::lendText(Pasteboard& pasteboard, const QString& text) {
    PasteboardItem item;
    item.insert(PasteboardType::plainText, text.toUtf8());
    item.insert(PasteboardType::passwordManagerHint, QByteArrayLiteral("secret"));
    pasteboard.write({item});
    m_lentAt = pasteboard.changeCount();
    m_awaitingCopy = false;
}

void ClipboardSnapshot::lendForCopy(Pasteboard& pasteboard) {
    m_lentAt = pasteboard.changeCount();
    m_awaitingCopy = true;
}

void ClipboardSnapshot::settle(Pasteboard& pasteboard) {
    if (!m_lentAt)
        return;
    m_lentAt = pasteboard.changeCount();
    m_awaitingCopy = false;
}

bool ClipboardSnapshot::holdsBorrowedContents(Pasteboard& pasteboard) const {
    return m_lentAt && (m_awaitingCopy || pasteboard.changeCount() == *m_lentAt);
}

bool ClipboardSnapshot::restore(Pasteboard& pasteboard) const {
    // Someone copied after Quillet borrowed the clipboard: putting the old contents back would
    // lose their newer copy.
    if (m_lentAt && !holdsBorrowedContents(pasteboard))
        return false;
    if (!complete)
        return false;
    if (items.isEmpty()) {
        pasteboard.clear();
    } else {
        pasteboard.write(items);
    }
    return true;
}

}  // namespace quillet
