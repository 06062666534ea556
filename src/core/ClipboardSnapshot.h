// The user's clipboard saved before Quillet borrows it, and put back afterwards.
#pragma once

#include <QList>
#include <optional>

#include "platform/Clipboard.h"

namespace quillet {

struct ClipboardSnapshot {
    /// One map per clipboard item, in the clipboard's order: type to the bytes offered for it.
    QList<ClipboardItem> items;
    /// False when the clipboard's owner did not answer in time: `items` is then not what the user
    /// has, and putting it back would empty or cut their clipboard.
    bool complete = true;

    /// Reads every item and every type of the clipboard now.
    static ClipboardSnapshot capture(Clipboard& clipboard);

    /// Puts `text` on the clipboard as plain text, marked so that clipboard managers do not record
    /// it, and remembers that what is on the clipboard now is Quillet's.
    void lendText(Clipboard& clipboard, const QString& text);
    /// Lends the clipboard to a copy by another program, leaving it as it is; until settle(), every
    /// change counts as the answer to that copy, not as the user's.
    void lendForCopy(Clipboard& clipboard);
    /// Takes what is on the clipboard now as the end of the borrowed time.
    void settle(Clipboard& clipboard);
    /// Whether the clipboard still holds what Quillet put there (or the copy it is waiting for).
    bool holdsBorrowedContents(Clipboard& clipboard) const;

    /// Puts the saved items back, replacing the clipboard's contents (an empty snapshot leaves it
    /// empty). When the clipboard was lent and someone changed it since, the newer contents are
    /// kept and nothing happens; so too when the snapshot is not complete, rather than leave the
    /// clipboard emptied. Returns whether the saved items were put back.
    bool restore(Clipboard& clipboard) const;

private:
    std::optional<qint64> m_lentAt;  // the change count while the clipboard holds Quillet's data
    bool m_awaitingCopy = false;
};

}  // namespace quillet
