// The suggestion panel beside the field or the icon: places it, shows it with the keyboard, and
#include "ui/SuggestionPanelController.h"

#include <QPointer>

#include "core/SuggestionViewModel.h"
#include "core/SurfacePlacement.h"
#include "platform/Screens.h"
#include "ui/KeyablePanel.h"
#include "ui/SuggestionView.h"

namespace quillet {

namespace {
// The owner may drop the controller from inside one of the panel's own button clicks.
void deleteWhenIdle(KeyablePanel* panel) {
    if (!panel)
        return;
    panel->hide();
    panel->deleteLater();
}
}  // namespace

SuggestionPanelController::SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel,
                                                     Pasteboard& pasteboard, Screens& screens,
                                                     WindowHints& hints, QObject* parent)
    : QObject(parent),
      m_viewModel(std::move(viewModel)),
      m_screens(screens),
      m_panel(new KeyablePanel(hints), &deleteWhenIdle) {
    m_panel->setObjectName(QStringLiteral("QuilletSuggestions"));
    m_panel->setWindowTitle(QStringLiteral("Quillet"));
    m_panel->setContent(new SuggestionView(*m_viewModel, pasteboard));
    m_panel->setFixedSize(SurfacePlacement::panelSize.toSize());
    m_panel->onCancel = [self = QPointer<SuggestionPanelController>(this)] {
        if (!self)
            return;
        // Escape stops the requests at once, a retry waiting for its turn included.
        self->m_viewModel->cancel();
        if (self->onClose)
            self->onClose();
    };
}

SuggestionPanelController::~SuggestionPanelController() {
    m_viewModel->cancel();
}

SuggestionView* SuggestionPanelController::view() const {
    return static_cast<SuggestionView*>(m_panel->content());
}

void SuggestionPanelController::show(const Rect& near) {
    const QPointF origin =
        SurfacePlacement::suggestionPanelOrigin(near, m_screens.screens(), m_screens.mainScreen());
    m_panel->setScreenFrame(Rect(origin, SurfacePlacement::panelSize));
    m_panel->orderFront();
}

}  // namespace quillet
