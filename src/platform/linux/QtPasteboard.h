// The X11 CLIPBOARD selection through QClipboard: one item, every MIME format byte for byte; and
// the PRIMARY selection's text, read only.
#pragma once

#include <QObject>

#include "platform/Pasteboard.h"

namespace quillet {

class QtPasteboard final : public Pasteboard {
public:
    QtPasteboard();
    ~QtPasteboard() override;

    QList<PasteboardItem> items() override;
    void clear() override;
    void write(const QList<PasteboardItem>& items) override;
    std::optional<QString> plainText() override;
    qint64 changeCount() override { return m_changeCount; }
    bool supportsSelection() override;
    std::optional<QString> selectionText() override;

private:
    QObject m_context;  // receiver of the clipboard's change signal
    qint64 m_changeCount = 0;
};

}  // namespace quillet
