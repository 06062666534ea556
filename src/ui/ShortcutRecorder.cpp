// The global shortcut's control in the settings: shows the combination and, once clicked, records
#include "ui/ShortcutRecorder.h"

#include <QKeyEvent>

#include "core/L10n.h"

namespace quillet {

namespace {

unsigned modifierBits(Qt::KeyboardModifiers modifiers) {
    unsigned bits = 0;
    if (modifiers & Qt::ControlModifier)
        bits |= HotkeyModifier::ctrl;
    if (modifiers & Qt::AltModifier)
        bits |= HotkeyModifier::alt;
    if (modifiers & Qt::ShiftModifier)
        bits |= HotkeyModifier::shift;
    if (modifiers & Qt::MetaModifier)  // the Super key
        bits |= HotkeyModifier::super;
    return bits;
}

// The key's X keysym; platforms that give none get it from Qt's key code, which for letters,
// digits, Space and the function keys maps straight onto it.
quint32 keysymOf(const QKeyEvent& event) {
    if (event.nativeVirtualKey() != 0)
        return event.nativeVirtualKey();
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space)
        return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return quint32(0xffbe + (key - Qt::Key_F1));
    switch (key) {
        case Qt::Key_Escape:
            return 0xff1b;
        case Qt::Key_Shift:
            return 0xffe1;
        case Qt::Key_Control:
            return 0xffe3;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return 0xffeb;
        case Qt::Key_Alt:
            return 0xffe9;
        default:
            return 0;
    }
}

constexpr quint32 kEscape = 0xff1b;

}  // namespace

ShortcutRecorder::ShortcutRecorder(QWidget* parent) : QPushButton(parent) {
    setObjectName(QStringLiteral("shortcutRecorder"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumWidth(132);
    connect(this, &QPushButton::clicked, this, [this] {
        if (!m_recording)
            startRecording();
    });
    retranslate();
}

void ShortcutRecorder::setShortcut(const std::optional<Shortcut>& shortcut) {
    m_shortcut = shortcut;
    if (!m_recording)
        retranslate();
}

void ShortcutRecorder::retranslate() {
    const L10n l = L10n::current();
    if (m_recording) {
        setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Press a shortcut…")));
    } else {
        // Shown as written: "&" is no mnemonic here.
        setText(m_shortcut ? QString(m_shortcut->text()).replace(QLatin1Char('&'), QStringLiteral("&&"))
                           : l.text(QT_TRANSLATE_NOOP("Quillet", "Off")));
    }
    // Read out as what it shows; the row's label names it.
    setAccessibleName(m_recording || !m_shortcut ? text() : m_shortcut->text());
    setAccessibleDescription(l.text(QT_TRANSLATE_NOOP("Quillet", "Global shortcut")));
    setToolTip(m_recording ? l.text(QT_TRANSLATE_NOOP("Quillet", "Escape cancels"))
                           : l.text(QT_TRANSLATE_NOOP("Quillet", "Click, then press the new shortcut")));
}

void ShortcutRecorder::startRecording() {
    if (m_recording)
        return;
    m_recording = true;
    setDown(true);
    setFocus(Qt::OtherFocusReason);
    // The whole keyboard, so the window manager's own combinations (Super+…) reach us as well.
    grabKeyboard();
    retranslate();
    Q_EMIT recordingChanged(true);
}

void ShortcutRecorder::cancelRecording() {
    stopRecording();
}

void ShortcutRecorder::stopRecording() {
    if (!m_recording)
        return;
    m_recording = false;
    releaseKeyboard();
    setDown(false);
    retranslate();
    Q_EMIT recordingChanged(false);
}

void ShortcutRecorder::showModifiers(Qt::KeyboardModifiers modifiers) {
    const unsigned bits = modifierBits(modifiers);
    if (!bits) {
        retranslate();
        return;
    }
    const QString held = Shortcut{bits, QString()}.text();  // "Ctrl+Alt+"
    setText(held + QStringLiteral("…"));
}

bool ShortcutRecorder::event(QEvent* event) {
    // Tab and Backtab would move the focus before keyPressEvent sees them: while recording they
    // are keys like any other (and no shortcut's).
    if (m_recording && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    // Nor may the window's own shortcuts (Escape closes it) take a key meant for the recording.
    if (m_recording && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void ShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    if (!m_recording) {
        QPushButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const quint32 keysym = keysymOf(*event);
    const unsigned bits = modifierBits(event->modifiers());
    if (keysym == kEscape && bits == 0) {
        stopRecording();
        return;
    }
    if (Shortcut::isModifierKey(keysym)) {
        showModifiers(event->modifiers());
        return;
    }
    const std::optional<Shortcut> pressed = Shortcut::fromKeyPress(bits, keysym, event->nativeScanCode());
    if (!pressed) {
        Q_EMIT refused(Refusal::unusableKey, std::nullopt);
        return;
    }
    if (pressed->needsModifier()) {
        Q_EMIT refused(Refusal::needsModifier, pressed);
        return;
    }
    stopRecording();
    Q_EMIT recorded(*pressed);
}

void ShortcutRecorder::keyReleaseEvent(QKeyEvent* event) {
    if (!m_recording) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    event->accept();
    // A modifier let go: the modifiers still held are the ones shown.
    Qt::KeyboardModifiers still = event->modifiers();
    switch (event->key()) {
        case Qt::Key_Shift:
            still &= ~Qt::ShiftModifier;
            break;
        case Qt::Key_Control:
            still &= ~Qt::ControlModifier;
            break;
        case Qt::Key_Alt:
            still &= ~Qt::AltModifier;
            break;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            still &= ~Qt::MetaModifier;
            break;
        default:
            break;
    }
    showModifiers(still);
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    stopRecording();
    QPushButton::focusOutEvent(event);
}

}  // namespace quillet
