// The notice after a replacement, with Undo: one at a time, gone by itself after 10 seconds.
#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "base/Geometry.h"
#include "core/Surfaces.h"
#include "platform/Scheduler.h"

namespace quillet {

class FloatingPanel;
class Screens;
class ToastView;
class WindowHints;

class ToastController : public QObject, public Toast {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds lifetime{10000};
    /// The widest a toast grows for a long message.
    static constexpr double maxWidth = 560;

    /// The references must outlive the controller.
    ToastController(Scheduler& scheduler, Screens& screens, WindowHints& hints, QObject* parent = nullptr);
    ~ToastController() override;

    /// Replaces any toast on screen by a new one just above `near` (a screen frame), else at the
    /// mouse pointer, else near the top-right corner of the main screen. Undo runs `undo` once, then
    /// dismisses.
    /// `message`, where given, says more than "Replaced"; the toast widens to hold it.
    void show(const std::optional<Rect>& near, std::function<void()> undo,
              const QString& message = {}) override;
    /// Replaces any toast on screen by one that says `text`, without Undo, where show() puts one
    /// near `near`.
    void showMessage(const QString& text, const std::optional<Rect>& near = std::nullopt) override;
    /// Stops the timer and removes the toast; nothing happens when none is shown.
    void dismiss();

    /// The toast on screen; null when none is.
    FloatingPanel* panel() const { return m_panel.get(); }
    ToastView* view() const;

private:
    void dismissIfCurrent(quint64 generation);

    Scheduler& m_scheduler;
    Screens& m_screens;
    WindowHints& m_hints;
    std::unique_ptr<FloatingPanel, void (*)(FloatingPanel*)> m_panel;
    std::optional<TimerId> m_dismissTimer;
    // Which toast a button or timer belongs to, so an old one can never dismiss a newer toast.
    quint64 m_generation = 0;
};

}  // namespace quillet
