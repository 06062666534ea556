// The clipboard under KWin while none of Quillet's windows has the keyboard: a Wayland desktop hands
// the clipboard only to the focused window, but KWin also offers the data-control interface, which
// wl-copy and wl-paste (wl-clipboard) speak. Used for the paste into another program's field, for
// putting the user's clipboard back after it and for the text left there for the user to paste; one
// format is kept (text, where there is text).
// Text Quillet lends goes with the hint for clipboard managers, which wl-copy cannot offer beside
// it: Quillet offers the two itself (WlDataControl).
#pragma once

#include <QString>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/linux/wayland/WlDataControl.h"

namespace quillet {

class WlToolsClipboard final : public Clipboard {
public:
    /// The longest wait for wl-copy or wl-paste (and for the program that owns the clipboard).
    static constexpr int timeoutMs = 1000;

    explicit WlToolsClipboard(std::unique_ptr<Clipboard> fallback);
    ~WlToolsClipboard() override;
    /// Whether wl-copy and wl-paste are installed; without them every call goes to the fallback.
    bool isAvailable() const { return !m_copy.isEmpty() && !m_paste.isEmpty(); }

    QList<ClipboardItem> items() override;
    void clear() override;
    void write(const QList<ClipboardItem>& items) override;
    std::optional<QString> plainText() override;
    qint64 serial() override;
    bool lastReadTimedOut() const override { return m_timedOut; }

private:
    std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                                  const QByteArray& input = {});
    std::optional<QString> preferredType();

    bool lend(const ClipboardItem& item);

    std::unique_ptr<Clipboard> m_fallback;
    std::unique_ptr<WlDataControl> m_control;
    QString m_copy;
    QString m_paste;
    bool m_timedOut = false;
};

}  // namespace quillet
