// Makes the suggestion panels as widgets, and keeps the next one built ahead of the click.
#pragma once

#include <memory>

#include "core/Surfaces.h"
#include "ui/SuggestionPanelController.h"

namespace quillet {

class Clipboard;
class Screens;
class WindowHints;

class SuggestionPanelFactory : public SuggestionPanels {
public:
    /// The references must outlive the factory.
    SuggestionPanelFactory(Clipboard& clipboard, Screens& screens, WindowHints& hints);
    ~SuggestionPanelFactory() override;

    Owned open(std::shared_ptr<SuggestionViewModel> viewModel) override;
    void prepareSpare() override;
    bool hasSpare() const override { return m_spare != nullptr; }
    bool showSpareAhead(const Rect& near) override;
    void hideSpare() override;

private:
    /// Whether the spare was drawn in the look (dark or light) in force now.
    bool spareLooksCurrent() const;

    Clipboard& m_clipboard;
    Screens& m_screens;
    WindowHints& m_hints;
    SuggestionPanelController::Panel m_spare{nullptr, nullptr};
    // The look the spare panel was drawn in (QPalette::cacheKey).
    qint64 m_sparePalette = 0;
};

}  // namespace quillet
