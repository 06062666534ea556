// The windows the coordinator drives: the icon at the field, the suggestion panel and the toast.
// The widgets implement them; the coordinator only says what they show and hears what the user did.
#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "base/Geometry.h"
#include "platform/Screens.h"

namespace quillet {

class SuggestionViewModel;

enum class IconState {
    ready,    ///< a click starts a correction
    loading,  ///< a correction request is running
    error,    ///< no API key stored, or the last replacement failed
};

/// The icon over the focused field's bottom-right corner.
class FieldIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Places the icon inside the bottom-right corner of the part of `nearFieldFrame` (a screen
    /// frame) that `windowFrame` and the screens show, and shows it without taking focus.
    virtual void show(const Rect& nearFieldFrame, const std::optional<Rect>& windowFrame,
                      const QList<ScreenInfo>& screens) = 0;
    /// Takes the icon off the screen; it keeps its state.
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual IconState state() const = 0;
    virtual void setState(IconState state) = 0;
    /// Where the icon is shown now, as a screen frame; empty while it is hidden.
    virtual std::optional<Rect> iconFrame() const = 0;
    /// The desktop's timestamp of the click that last sent clicked(); 0 when unknown.
    virtual quint64 lastClickTime() const = 0;

signals:
    void clicked();
};

/// The short notice after a replacement or a refused request, with Undo where there is one.
class Toast {
public:
    virtual ~Toast() = default;
    /// Replaces any toast on screen by one just above `near` (a screen frame), else where the
    /// desktop shows them. Undo runs `undo` once. `message`, where given, says more than "Replaced".
    virtual void show(const std::optional<Rect>& near, std::function<void()> undo,
                      const QString& message = {}) = 0;
    /// Replaces any toast on screen by one that says `text`, without Undo.
    virtual void showMessage(const QString& text, const std::optional<Rect>& near = std::nullopt) = 0;
};

/// One suggestion panel, for one request.
class SuggestionPanel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Places the panel beside `near` (a screen frame) and shows it with the keyboard.
    virtual void show(const Rect& near) = 0;
    virtual void hide() = 0;
    /// Keeps the panel on screen but takes its buttons from the user while a write runs.
    virtual void hold() = 0;
    virtual const std::shared_ptr<SuggestionViewModel>& viewModel() const = 0;

signals:
    /// The user pressed Escape in the panel (it has already left the screen).
    void closed();
};

/// Makes the panels, and keeps the next one built ahead so that a click only fills it.
class SuggestionPanels {
public:
    /// Stops the panel's requests and deletes it once the event that dropped it has finished.
    struct Release {
        void operator()(SuggestionPanel* panel) const;
    };
    using Owned = std::unique_ptr<SuggestionPanel, Release>;

    virtual ~SuggestionPanels() = default;
    /// A panel for `viewModel`, not shown yet; the one built ahead where it is still of the
    /// current look.
    virtual Owned open(std::shared_ptr<SuggestionViewModel> viewModel) = 0;
    /// Builds the next panel now, while nothing waits for it.
    virtual void prepareSpare() = 0;
    virtual bool hasSpare() const = 0;
    /// Puts the panel built ahead on screen beside `near` without the keyboard, while the request
    /// is still being checked. False when there is none of the current look.
    virtual bool showSpareAhead(const Rect& near) = 0;
    /// Takes the panel built ahead off the screen again: the request did not go ahead.
    virtual void hideSpare() = 0;
};

}  // namespace quillet
