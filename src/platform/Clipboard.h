// The general clipboard: items, each a map from a type (MIME name) to bytes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace quillet {

using ClipboardItem = QMap<QString, QByteArray>;

class Clipboard {
public:
    Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;
    virtual ~Clipboard() = default;

    /// Every item with every type it offers, bytes as offered. Empty when the clipboard is empty.
    virtual QList<ClipboardItem> items() = 0;
    /// Empties the clipboard.
    virtual void clear() = 0;
    /// Replaces the clipboard's contents with `items` in one step.
    virtual void write(const QList<ClipboardItem>& items) = 0;
    /// The plain text on the clipboard, if any.
    virtual std::optional<QString> plainText() = 0;
    /// A number that changes every time anyone changes the clipboard.
    virtual qint64 serial() = 0;
    /// Whether the last items() or plainText() gave up on an owner that did not answer in time (a
    /// frozen program): what it returned is then only what came before, possibly nothing, and not
    /// the whole clipboard.
    virtual bool lastReadTimedOut() const { return false; }

    /// How many times other programs were handed what Quillet has put on the clipboard (a paste of
    /// it); empty where that cannot be watched.
    virtual std::optional<qint64> servedCount() { return std::nullopt; }
    /// servedCount() for the requests of process `pid`, and of requestors whose process cannot be
    /// told: a clipboard manager keeping a copy of what Quillet offers is not the application pasting.
    virtual std::optional<qint64> servedCountTo(qint32 pid) {
        Q_UNUSED(pid);
        return servedCount();
    }
    /// The process that owns the clipboard's contents now; empty when none does or it cannot be told.
    virtual std::optional<qint32> ownerPid() { return std::nullopt; }

    /// Whether the desktop also keeps a selection buffer (X11's PRIMARY): the text selected right now
    /// in whichever program, offered without a copy.
    virtual bool supportsSelection() { return false; }
    /// The text of that selection; empty when nothing is selected anywhere or it offers no text.
    virtual std::optional<QString> selectionText() { return std::nullopt; }
};

namespace ClipboardType {
inline const QString plainText = QStringLiteral("text/plain;charset=utf-8");
/// Tells clipboard managers not to record what is on the clipboard; the value is "secret".
inline const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
}  // namespace ClipboardType

}  // namespace quillet
