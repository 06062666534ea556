// The platform services GNOME Shell's extension for Quillet gives a Wayland session: keys, the
#include "platform/linux/gnome-shell/GnomeShellServices.h"

#include "platform/linux/shared/KeyNames.h"

namespace quillet {

QString shellAccelerator(const KeyCombination& combination) {
    return spelledCombination(combination, {QStringLiteral("<Control>"), QStringLiteral("<Alt>"),
                                            QStringLiteral("<Shift>"), QStringLiteral("<Super>")});
}

// --- keys ----------------------------------------------------------------------------------------

bool GnomeShellKeySynth::press(const QString& keys, int count, bool (KeySynth::*fallback)()) {
    if (m_bridge.isActive())
        return m_bridge.pressKeys(keys, uint(count));
    return (m_fallback.get()->*fallback)();
}

bool GnomeShellKeySynth::selectBackward(int count) {
    if (m_bridge.isActive())
        return count <= 0 || m_bridge.pressKeys(QStringLiteral("select-backward"), uint(count));
    return m_fallback->selectBackward(count);
}

bool GnomeShellKeySynth::selectForward(int count) {
    if (m_bridge.isActive())
        return count <= 0 || m_bridge.pressKeys(QStringLiteral("select-forward"), uint(count));
    return m_fallback->selectForward(count);
}

// --- the clipboard -------------------------------------------------------------------------------

QList<ClipboardItem> GnomeShellClipboard::items() {
    m_lastReadHere = m_bridge.isActive();
    if (!m_lastReadHere)
        return m_fallback->items();
    const std::optional<GnomeShellBridge::ClipboardContents> board = m_bridge.clipboard();
    m_lastReadTimedOut = !board || !board->complete;
    if (!board || board->formats.isEmpty())
        return {};
    return {ClipboardItem(board->formats)};
}

void GnomeShellClipboard::clear() {
    if (!m_bridge.setClipboard({}))
        m_fallback->clear();
}

void GnomeShellClipboard::write(const QList<ClipboardItem>& items) {
    // Wayland holds one item, as X11 does.
    if (!m_bridge.setClipboard(items.isEmpty() ? ClipboardItem() : items.first()))
        m_fallback->write(items);
}

std::optional<QString> GnomeShellClipboard::plainText() {
    if (!m_bridge.isActive())
        return m_fallback->plainText();
    const QList<ClipboardItem> all = items();
    if (all.isEmpty())
        return std::nullopt;
    for (const QString& type :
         {ClipboardType::plainText, QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING"),
          QStringLiteral("STRING"), QStringLiteral("TEXT")}) {
        if (all.first().contains(type))
            return QString::fromUtf8(all.first().value(type));
    }
    return std::nullopt;
}

qint64 GnomeShellClipboard::serial() {
    if (const std::optional<quint64> changes = m_bridge.clipboardChanges())
        return qint64(*changes);
    return m_fallback->serial();
}

bool GnomeShellClipboard::lastReadTimedOut() const {
    return m_lastReadHere ? m_lastReadTimedOut : m_fallback->lastReadTimedOut();
}

std::optional<qint64> GnomeShellClipboard::servedCount() {
    // The shell does not say when a program reads what it holds.
    return m_bridge.isActive() ? std::nullopt : m_fallback->servedCount();
}

std::optional<qint64> GnomeShellClipboard::servedCountTo(qint32 pid) {
    return m_bridge.isActive() ? std::nullopt : m_fallback->servedCountTo(pid);
}

std::optional<qint32> GnomeShellClipboard::ownerPid() {
    return m_bridge.isActive() ? std::nullopt : m_fallback->ownerPid();
}

bool GnomeShellClipboard::supportsSelection() {
    return m_bridge.isActive() || m_fallback->supportsSelection();
}

std::optional<QString> GnomeShellClipboard::selectionText() {
    if (!m_bridge.isActive())
        return m_fallback->selectionText();
    return m_bridge.selectionText();
}

// --- the shortcut --------------------------------------------------------------------------------

GnomeShellHotkey::GnomeShellHotkey(GnomeShellBridge& bridge, std::unique_ptr<GlobalHotkey> fallback)
    : m_bridge(bridge), m_fallback(std::move(fallback)) {
    connect(&m_bridge, &GnomeShellBridge::shortcutPressed, this, [this] {
        if (m_suspended || !m_onKey || !*m_onKey)
            return;
        // Copied first: the handler may register another combination, and with it replace this one.
        const std::function<void(HotkeyEdge)> run = *m_onKey;
        run(HotkeyEdge::down);
        run(HotkeyEdge::up);
    });
    // The extension forgets the binding of a program that left, and starts without one. While it
    // holds the shortcut the fallback holds none, or one press would arrive twice.
    connect(&m_bridge, &GnomeShellBridge::activeChanged, this, [this](bool active) {
        if (!m_combination || !m_onKey)
            return;
        if (active) {
            m_fallback->unregisterHotkey();
            m_bridge.setShortcut(shellAccelerator(*m_combination));
        } else {
            m_fallback->registerHotkey(*m_combination, *m_onKey);
        }
    });
}

std::optional<GrabError> GnomeShellHotkey::registerHotkey(const KeyCombination& combination,
                                                          std::function<void(HotkeyEdge)> onKey) {
    if (!m_bridge.isActive()) {
        m_combination = combination;
        m_onKey = std::make_shared<std::function<void(HotkeyEdge)>>(onKey);
        return m_fallback->registerHotkey(combination, std::move(onKey));
    }
    const QString accelerator = shellAccelerator(combination);
    if (accelerator.isEmpty())
        return GrabError{GrabError::Kind::refused};
    const QString error = m_bridge.setShortcut(accelerator);
    if (error.startsWith(QLatin1String("taken")))
        return GrabError{GrabError::Kind::taken};
    if (!error.isEmpty())
        return GrabError{GrabError::Kind::refused};
    m_combination = combination;
    m_onKey = std::make_shared<std::function<void(HotkeyEdge)>>(std::move(onKey));
    return std::nullopt;
}

void GnomeShellHotkey::unregisterHotkey() {
    m_combination.reset();
    m_onKey.reset();
    if (m_bridge.isActive())
        m_bridge.setShortcut(QString());
    m_fallback->unregisterHotkey();
}

void GnomeShellHotkey::setSuspended(bool suspended) {
    m_suspended = suspended;
    // Unbound while the recorder listens, or the shell would take the keys before it.
    m_bridge.suspendShortcut(suspended);
    m_fallback->setSuspended(suspended);
}

}  // namespace quillet
