// The suggestion panel beside the field or the icon: places it, shows it with the keyboard, and
// reports Escape. One controller and one panel per suggestion request.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "base/Geometry.h"
#include "core/Surfaces.h"

namespace quillet {

class KeyboardPanel;
class Clipboard;
class Screens;
class SuggestionView;
class SuggestionViewModel;
class WindowHints;

class SuggestionPanelController : public SuggestionPanel {
    Q_OBJECT
public:
    /// A panel window with its view, built and laid out but for no request yet.
    using Panel = std::unique_ptr<KeyboardPanel, void (*)(KeyboardPanel*)>;
    /// Builds a panel ahead of the request that will show it: what a click would otherwise wait for,
    /// the window, its widgets, their styles and the fonts they draw with, done while nothing waits.
    /// Clipboard and hints must outlive it.
    static Panel prepare(Clipboard& clipboard, WindowHints& hints);
    /// Shows a panel from prepare() beside `near` while its request is still being checked: the
    /// window manager puts it on screen meanwhile. The keyboard stays with the field; a controller
    /// that takes the panel over takes the keyboard when it shows it.
    static void showAhead(KeyboardPanel& panel, const Rect& near, Screens& screens);

    /// Builds the panel for `viewModel` (not shown yet). Clipboard, screens and hints must outlive it.
    SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel, Clipboard& clipboard,
                              Screens& screens, WindowHints& hints, QObject* parent = nullptr);
    /// The same with a panel from prepare(), which it takes over.
    SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel, Panel prepared,
                              Screens& screens, QObject* parent = nullptr);
    ~SuggestionPanelController() override;

    /// Places the panel beside `near` (a screen frame) and shows it with the keyboard focus.
    void show(const Rect& near) override;
    void hide() override;
    void hold() override;

    KeyboardPanel* panel() const { return m_panel.get(); }
    SuggestionView* view() const;
    const std::shared_ptr<SuggestionViewModel>& viewModel() const override { return m_viewModel; }

private:
    std::shared_ptr<SuggestionViewModel> m_viewModel;
    Screens& m_screens;
    Panel m_panel;
};

}  // namespace quillet
