// Makes the suggestion panels as widgets, and keeps the next one built ahead of the click.
#include "ui/SuggestionPanelFactory.h"

#include <malloc.h>

#include <QGuiApplication>
#include <QPalette>

#include "ui/KeyboardPanel.h"

namespace quillet {

SuggestionPanelFactory::SuggestionPanelFactory(Clipboard& clipboard, Screens& screens, WindowHints& hints)
    : m_clipboard(clipboard), m_screens(screens), m_hints(hints) {}

SuggestionPanelFactory::~SuggestionPanelFactory() {
    // Never shown, so no handler of its own is running: it can go at once.
    delete m_spare.release();
}

bool SuggestionPanelFactory::spareLooksCurrent() const {
    return m_sparePalette == QGuiApplication::palette().cacheKey();
}

SuggestionPanels::Owned SuggestionPanelFactory::open(std::shared_ptr<SuggestionViewModel> viewModel) {
    // Its colours were chosen for the look of its time: after a switch to dark or light, a new one.
    if (m_spare && !spareLooksCurrent())
        m_spare.reset();
    return Owned(m_spare
                     ? new SuggestionPanelController(std::move(viewModel), std::move(m_spare), m_screens)
                     : new SuggestionPanelController(std::move(viewModel), m_clipboard, m_screens, m_hints));
}

void SuggestionPanelFactory::prepareSpare() {
    m_spare = SuggestionPanelController::prepare(m_clipboard, m_hints);
    m_sparePalette = QGuiApplication::palette().cacheKey();
    // The start, or the panel gone by now, freed far more than it keeps: the heap's free pages go
    // back to the system rather than stay counted against the program.
    malloc_trim(0);
}

bool SuggestionPanelFactory::showSpareAhead(const Rect& near) {
    if (!m_spare || !spareLooksCurrent())
        return false;
    SuggestionPanelController::showAhead(*m_spare, near, m_screens);
    return true;
}

void SuggestionPanelFactory::hideSpare() {
    if (m_spare && m_spare->isVisible())
        m_spare->hide();
}

}  // namespace quillet
