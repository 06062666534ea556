// Writes text into another application's field (accessibility first, else clipboard and a
// synthetic paste), pastes into and copies from the frontmost application.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "core/FocusedField.h"

namespace quillet {

class Accessibility;
class KeySynth;
class Pasteboard;
class Scheduler;
class Workspace;
struct ClipboardSnapshot;

class TextIO {
public:
    /// How a replacement was written.
    enum class Strategy {
        axValue,         // the whole value written and read back equal
        axSelectedText,  // written through the selected text
        clipboard,       // put on the clipboard, synthetic paste scheduled
    };

    /// From filling the clipboard to the synthetic paste.
    static constexpr std::chrono::milliseconds pasteDelay{100};
    /// From the synthetic paste to restoring the user's clipboard.
    static constexpr std::chrono::milliseconds restoreDelay{300};
    /// From the synthetic copy to reading the clipboard.
    static constexpr std::chrono::milliseconds copyDelay{250};

    TextIO(Accessibility& ax, Pasteboard& pasteboard, KeySynth& keys, Workspace& workspace,
           Scheduler& scheduler);
    ~TextIO();
    TextIO(const TextIO&) = delete;
    TextIO& operator=(const TextIO&) = delete;

    /// Writes `text` over the selection (`selectionOnly`) or over the whole value. Returns at
    /// once; with `clipboard` the paste follows about 0.1 s later. Empty when nothing could be
    /// attempted (secure input forbids the clipboard).
    std::optional<Strategy> replace(const FocusedField& field, const QString& text, bool selectionOnly);
    /// Pastes `text` over the frontmost application's selection through the clipboard; does
    /// nothing while secure input is on.
    void pasteReplacement(const QString& text);
    /// Copies the frontmost application's selection; `completion` gets it (or nothing) on the
    /// main thread about 0.25 s later, at once while secure input is on.
    void copyFocusedSelection(std::function<void(std::optional<QString>)> completion);

private:
    struct Shared;

    bool selectAllViaAX(const AXElement& element);
    void pasteViaClipboard(const QString& text, bool selectAll, qint32 pid);
    bool isSettable(const AXElement& element, const QString& attribute);

    Accessibility& m_ax;
    Workspace& m_workspace;
    Scheduler& m_scheduler;
    // What the delayed steps need; they hold it, so they run even after this object is gone.
    std::shared_ptr<Shared> m_shared;
};

}  // namespace quillet
