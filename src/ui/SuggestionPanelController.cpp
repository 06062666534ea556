// The suggestion panel beside the field or the icon: places it, shows it with the keyboard, and
#include "ui/SuggestionPanelController.h"

#include <QImage>
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

namespace {
SuggestionPanelController::Panel build(Pasteboard& pasteboard, WindowHints& hints) {
    SuggestionPanelController::Panel panel(new KeyablePanel(hints), &deleteWhenIdle);
    panel->setWindowTitle(QStringLiteral("Quillet"));
    panel->setContent(new SuggestionView(pasteboard));
    panel->setFixedSize(SurfacePlacement::panelSize.toSize());
    return panel;
}
}  // namespace

SuggestionPanelController::Panel SuggestionPanelController::prepare(Pasteboard& pasteboard,
                                                                    WindowHints& hints) {
    Panel panel = build(pasteboard, hints);
    panel->prepareNative();
    // Drawn once off screen: styles are polished, the layout is done and the glyphs are cached.
    QImage scratch(panel->size(), QImage::Format_ARGB32_Premultiplied);
    panel->render(&scratch);
    return panel;
}

SuggestionPanelController::SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel,
                                                     Pasteboard& pasteboard, Screens& screens,
                                                     WindowHints& hints, QObject* parent)
    : SuggestionPanelController(std::move(viewModel), build(pasteboard, hints), screens, parent) {}

SuggestionPanelController::SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel,
                                                     Panel prepared, Screens& screens, QObject* parent)
    : QObject(parent), m_viewModel(std::move(viewModel)), m_screens(screens), m_panel(std::move(prepared)) {
    m_panel->setObjectName(QStringLiteral("QuilletSuggestions"));
    view()->bind(*m_viewModel);
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
