// The global shortcut's control in the settings: shows the combination and, once clicked, records
// the next one pressed.
#pragma once

#include <QPushButton>
#include <optional>

#include "core/Shortcut.h"

namespace quillet {

class ShortcutRecorder : public QPushButton {
    Q_OBJECT
public:
    /// Why a pressed combination was not taken.
    enum class Refusal { unusableKey, needsModifier };

    explicit ShortcutRecorder(QWidget* parent = nullptr);

    /// The combination shown while not recording; empty shows that there is none.
    void setShortcut(const std::optional<Shortcut>& shortcut);
    bool isRecording() const { return m_recording; }
    /// Takes the whole keyboard until a combination is pressed, Escape is pressed or the focus leaves.
    void startRecording();
    void cancelRecording();
    /// Redraws the texts in the current language.
    void retranslate();

Q_SIGNALS:
    void recordingChanged(bool recording);
    /// A combination that may be a shortcut was pressed; recording has ended.
    void recorded(const Shortcut& shortcut);
    /// A combination that may not was pressed; recording goes on. `pressed` is empty for a key
    /// that can be no part of a shortcut.
    void refused(Refusal why, const std::optional<Shortcut>& pressed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void stopRecording();
    void showModifiers(Qt::KeyboardModifiers modifiers);

    std::optional<Shortcut> m_shortcut;
    bool m_recording = false;
};

}  // namespace quillet
