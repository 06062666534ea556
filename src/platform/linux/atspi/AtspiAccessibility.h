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
    AccessError readProperty(const Accessible& element, Property attribute, PropertyValue& out) override;
    AccessError isPropertySettable(const Accessible& element, Property attribute, bool& settable) override;
    AccessError writeProperty(const Accessible& element, Property attribute,
                              const PropertyValue& value) override;
    AccessError replaceText(const Accessible& element, const TextRange& range, const QString& text) override;
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
    AccessError readPropertyNow(const Accessible& element, Property attribute, PropertyValue& out);
    AccessError isPropertySettableNow(const Accessible& element, Property attribute, bool& settable);
    AccessError writePropertyNow(const Accessible& element, Property attribute, const PropertyValue& value);
    AccessError replaceTextNow(const Accessible& element, const TextRange& range, const QString& text);

    std::unique_ptr<Impl> d;
};

}  // namespace quillet
