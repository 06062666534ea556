// The user's clipboard saved before Quillet borrows it, and put back afterwards.
#include "core/ClipboardSnapshot.h"

namespace quillet {

ClipboardSnapshot ClipboardSnapshot::capture(Clipboard& clipboard) {
    ClipboardSnapshot snapshot;
    snapshot.items = clipboard.items();
    snapshot.complete = !clipboard.lastReadTimedOut();
    return snapshot;
}

void ClipboardSnapshot::lendText(Clipboard& clipboard, const QString& text) {
    ClipboardItem item;
    item.insert(ClipboardType::plainText, text.toUtf8());
    item.insert(ClipboardType::passwordManagerHint, QByteArrayLiteral("secret"));
    clipboard.write({item});
    m_lentAt = clipboard.serial();
    m_awaitingCopy = false;
}

void ClipboardSnapshot::lendForCopy(Clipboard& clipboard) {
    m_lentAt = clipboard.serial();
    m_awaitingCopy = true;
}

void ClipboardSnapshot::settle(Clipboard& clipboard) {
    if (!m_lentAt)
        return;
    m_lentAt = clipboard.serial();
    m_awaitingCopy = false;
}

bool ClipboardSnapshot::holdsBorrowedContents(Clipboard& clipboard) const {
    return m_lentAt && (m_awaitingCopy || clipboard.serial() == *m_lentAt);
}

bool ClipboardSnapshot::restore(Clipboard& clipboard) const {
    // Someone copied after Quillet borrowed the clipboard: putting the old contents back would
    // lose their newer copy.
    if (m_lentAt && !holdsBorrowedContents(clipboard))
        return false;
    if (!complete)
        return false;
    if (items.isEmpty()) {
        clipboard.clear();
    } else {
        clipboard.write(items);
    }
    return true;
}

}  // namespace quillet
