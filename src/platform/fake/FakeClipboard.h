// An in-memory clipboard that counts changes and lets a test play another program copying, with
// the desktop's selection buffer beside it.
#pragma once

#include "platform/Clipboard.h"

namespace quillet {

class FakeClipboard final : public Clipboard {
public:
    QList<ClipboardItem> items() override { return frozenOwner ? QList<ClipboardItem>() : contents; }
    void clear() override {
        contents.clear();
        owner.reset();
        ++count;
    }
    void write(const QList<ClipboardItem>& newItems) override {
        contents = newItems;
        owner = ownPid;
        ++count;
    }
    std::optional<QString> plainText() override {
        if (frozenOwner)
            return std::nullopt;
        for (const ClipboardItem& item : contents) {
            for (const QString& type : {ClipboardType::plainText, QStringLiteral("text/plain")}) {
                if (item.contains(type))
                    return QString::fromUtf8(item.value(type));
            }
        }
        return std::nullopt;
    }
    qint64 serial() override { return count; }
    bool lastReadTimedOut() const override { return frozenOwner; }
    bool supportsSelection() override { return hasSelectionBuffer; }
    std::optional<QString> selectionText() override { return hasSelectionBuffer ? selection : std::nullopt; }

    std::optional<qint64> servedCount() override {
        return watchesPastes ? std::optional<qint64>(served) : std::nullopt;
    }
    std::optional<qint64> servedCountTo(qint32 pid) override {
        return watchesPastes ? std::optional<qint64>(servedTo.value(pid) + servedTo.value(0)) : std::nullopt;
    }
    std::optional<qint32> ownerPid() override { return owner; }

    /// Another program (or the user in it) puts plain text on the clipboard.
    void copyText(const QString& text, qint32 by = otherProgramPid) {
        write({ClipboardItem{{ClipboardType::plainText, text.toUtf8()}}});
        owner = by;
    }
    /// Process `by` (0: one that cannot be told) reads the clipboard, as a paste does: it asks the
    /// owner for the text, and Quillet counts what it hands out.
    std::optional<QString> paste(qint32 by = 0) {
        if (owner == ownPid && contents.size() == 1) {
            ++served;
            ++servedTo[by];
        }
        return plainText();
    }

    static constexpr qint32 ownPid = 1;
    static constexpr qint32 otherProgramPid = 2;

    QList<ClipboardItem> contents;
    qint64 count = 0;
    /// The clipboard's owner does not answer: reads time out with nothing.
    bool frozenOwner = false;
    /// The process whose contents are on the clipboard.
    std::optional<qint32> owner;
    /// Pastes of Quillet's own contents, and whether they can be watched at all.
    qint64 served = 0;
    QMap<qint32, qint64> servedTo;
    bool watchesPastes = true;
    /// The desktop's selection buffer: what some program has selected now.
    bool hasSelectionBuffer = true;
    std::optional<QString> selection;
};

}  // namespace quillet
