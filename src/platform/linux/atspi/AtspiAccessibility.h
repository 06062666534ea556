// The accessibility layer on AT-SPI (libatspi): roles, text, selection and extents translated to
// the attribute names the program uses, events to per-process notifications on the main thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QRectF>

#include "base/FocusEvent.h"
#include "platform/Accessibility.h"

namespace quillet {

class CompositorWindows;

class AtspiAccessibility final : public Accessibility {
public:
    /// Wait for one answer from another application, so a hung one cannot freeze the program.
    /// libatspi may wait up to twice this on an application's direct connection.
    static constexpr int callTimeoutMs = 400;

    /// `activePid` names the process of the active window: 0 when no window is active, empty when
    /// the desktop does not say. The focused element is only ever an element of that process.
    /// `windowFrame` gives where the window of a process lies on the screen (X11's answer), for
    /// toolkits that answer screen extents relative to their window; empty when unknown.
    explicit AtspiAccessibility(std::function<std::optional<qint32>()> activePid,
                                std::function<std::optional<QRectF>(qint32 pid)> windowFrame = {});
    ~AtspiAccessibility() override;

    bool accessibilityEnabled() override;
    void enableAccessibility() override;
    bool passwordFieldFocused() override;
    Accessible root() override;
    void startListening() override;
    Accessible application(qint32 pid) override;
    Answer<Accessible> focusedElement() override;
    Answer<QString> role(const Accessible& element) override;
    Answer<QString> text(const Accessible& field) override;
    Answer<QString> selectedText(const Accessible& field) override;
    Answer<TextRange> selection(const Accessible& field) override;
    Answer<qint64> characterCount(const Accessible& field) override;
    Answer<qint64> caretOffset(const Accessible& field) override;
    Answer<QString> textNearCaret(const Accessible& field) override;
    Answer<Rect> frame(const Accessible& element) override;
    bool isRichText(const Accessible& field) override;
    bool hidesSelection(const Accessible& field) override;
    bool canSetText(const Accessible& field) override;
    bool canReplaceSelection(const Accessible& field) override { return canSetText(field); }
    AccessError setText(const Accessible& field, const QString& text) override;
    AccessError replaceSelection(const Accessible& field, const QString& text) override;
    AccessError select(const Accessible& field, const TextRange& range) override;
    AccessError replaceText(const Accessible& field, const TextRange& range, const QString& text) override;
    AccessError exposeContents(const Accessible& application) override;
    AccessError pid(const Accessible& element, qint32& pid) override;
    std::unique_ptr<EventWatch> createWatch(qint32 pid, AccessEventHandler handler) override;

    /// Where the compositor tells where windows are (Wayland): frames then come from it and the
    /// toolkits' window-relative extents. `windows` must outlive this object; null: never.
    void setCompositorWindows(CompositorWindows* windows);

    /// The name the application of process `pid` gives itself on the accessibility bus.
    std::optional<QString> applicationName(qint32 pid);

    /// For a desktop that names no active window to other programs (Wayland): window activations
    /// and focus changes go to `sink`, each batch before the notifications it causes, starting with
    /// the windows already active; the focused element is the one `focused` names, when it names one.
    void followWindowEvents(std::function<void(const FocusEvent&)> sink, std::function<Accessible()> focused);
    /// How many of this program's own objects libatspi holds in its cache: those the bus told of,
    /// less those found gone since.
    int ownObjectsHeld();

    class Impl;

private:
    // The writes on the application's side, under the hung-application guard.
    AccessError writeTextNow(const Accessible& field, const QString& text, bool whole);
    AccessError selectNow(const Accessible& field, const TextRange& range);
    AccessError replaceTextNow(const Accessible& element, const TextRange& range, const QString& text);

    std::unique_ptr<Impl> d;
};

}  // namespace quillet
