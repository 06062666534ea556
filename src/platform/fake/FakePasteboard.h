// An in-memory clipboard that counts changes and lets a test play another program copying, with
// the desktop's selection buffer beside it.
#pragma once

#include "platform/Pasteboard.h"

namespace quillet {

class FakePasteboard final : public Pasteboard {
public:
    QList<PasteboardItem> items() override { return frozenOwner ? QList<PasteboardItem>() : contents; }
    void clear() override {
        contents.clear();
        ++count;
    }
    void write(const QList<PasteboardItem>& newItems) override {
        contents = newItems;
        ++count;
    }
    std::optional<QString> plainText() override {
        if (frozenOwner)
            return std::nullopt;
        for (const PasteboardItem& item : contents) {
            for (const QString& type : {PasteboardType::plainText, QStringLiteral("text/plain")}) {
                if (item.contains(type))
                    return QString::fromUtf8(item.value(type));
            }
        }
        return std::nullopt;
    }
    qint64 changeCount() override { return count; }
    bool lastReadTimedOut() const override { return frozenOwner; }
    bool supportsSelection() override { return hasSelectionBuffer; }
    std::optional<QString> selectionText() override { return hasSelectionBuffer ? selection : std::nullopt; }

    /// Another program (or the user) puts plain text on the clipboard.
    void copyText(const QString& text) {
        write({PasteboardItem{{PasteboardType::plainText, text.toUtf8()}}});
    }

    QList<PasteboardItem> contents;
    qint64 count = 0;
    /// The clipboard's owner does not answer: reads time out with nothing.
    bool frozenOwner = false;
    /// The desktop's selection buffer: what some program has selected now.
    bool hasSelectionBuffer = true;
    std::optional<QString> selection;
};

}  // namespace quillet
