// The X11 CLIPBOARD selection, read and owned through a connection of its own: every target as its
// owner offered it, byte for byte, and never a long wait for an owner that does not answer; and the
// PRIMARY selection's text, read the same way.
#pragma once

#include <QObject>
#include <chrono>
#include <memory>

#include "platform/Clipboard.h"

namespace quillet {

struct X11Selection;

class X11Clipboard final : public Clipboard {
public:
    /// The longest wait for another program's answer: an owner silent for this long is taken as
    /// frozen, and the read ends with what came before.
    static constexpr std::chrono::milliseconds answerTimeout{1000};
    /// The longest a whole read may take, however steadily a slow owner answers.
    static constexpr std::chrono::milliseconds readLimit{3000};

    X11Clipboard();
    /// Hands what Quillet owns to a clipboard manager when there is one, so it outlives the program.
    ~X11Clipboard() override;

    /// Keyed by the X11 target names ("UTF8_STRING", "STRING", "text/html", "image/png"...), the
    /// protocol's own targets left out.
    QList<ClipboardItem> items() override;
    void clear() override;
    /// Offers exactly the targets of the first item, each with its bytes (and the type and format
    /// its owner gave them when they were read here). Text that names no X11 text target (Quillet's
    /// own) is also offered as UTF8_STRING and text/plain, which is what programs ask for.
    void write(const QList<ClipboardItem>& items) override;
    std::optional<QString> plainText() override;
    qint64 serial() override;
    /// Counts the requests for a target's bytes served while Quillet owns the clipboard (the list of
    /// targets, which clipboard managers and pasting programs alike ask first, is not counted).
    std::optional<qint64> servedCount() override;
    /// Told apart by the process of the requestor's window, through the X-Resource extension.
    std::optional<qint64> servedCountTo(qint32 pid) override;
    /// Through the X-Resource extension; empty without it, or for a client on another machine.
    std::optional<qint32> ownerPid() override;
    bool lastReadTimedOut() const override { return m_lastReadTimedOut; }
    bool supportsSelection() override;
    /// Bounded like every read here.
    std::optional<QString> selectionText() override;

private:
    std::optional<QString> textOf(int mode);

    std::unique_ptr<X11Selection> m_x;
    QObject m_context;  // receiver of the connection's notifications
    bool m_lastReadTimedOut = false;
};

}  // namespace quillet
