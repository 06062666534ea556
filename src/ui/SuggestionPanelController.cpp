// The suggestion panel beside the field or the icon: places it, shows it with the keyboard, and
#include "ui/SuggestionPanelController.h"

#include <QBackingStore>
#include <QImage>
#include <QPointer>

#include "core/SuggestionViewModel.h"
#include "core/SurfacePlacement.h"
#include "platform/Screens.h"
#include "ui/KeyboardPanel.h"
#include "ui/SuggestionView.h"

namespace quillet {

namespace {
// The owner may drop the controller from inside one of the panel's own button clicks.
void deleteWhenIdle(KeyboardPanel* panel) {
    if (!panel)
        return;
    panel->hide();
    panel->deleteLater();
}
}  // namespace

namespace {
void place(KeyboardPanel& panel, const Rect& near, Screens& screens) {
    const QPointF origin =
        SurfacePlacement::suggestionPanelOrigin(near, screens.screens(), screens.mainScreen());
    panel.setScreenFrame(Rect(origin, SurfacePlacement::panelSize));
}

SuggestionPanelController::Panel build(Clipboard& clipboard, WindowHints& hints) {
    SuggestionPanelController::Panel panel(new KeyboardPanel(hints), &deleteWhenIdle);
    panel->setWindowTitle(QStringLiteral("Quillet"));
    panel->setContent(new SuggestionView(clipboard));
    panel->setFixedSize(SurfacePlacement::panelSize.toSize());
    return panel;
}
}  // namespace

SuggestionPanelController::Panel SuggestionPanelController::prepare(Clipboard& clipboard,
                                                                    WindowHints& hints) {
    Panel panel = build(clipboard, hints);
    panel->prepareNative();
    // Drawn once off screen: styles are polished, the layout is done and the glyphs are cached.
    QImage scratch(panel->size(), QImage::Format_ARGB32_Premultiplied);
    panel->render(&scratch);
    // The window's own pixels too: the first paint would otherwise wait for the system to hand
    // over every page of a new buffer, a millisecond and more for a panel of this size.
    if (QBackingStore* store = panel->backingStore()) {
        const QRect whole(QPoint(), panel->size());
        store->resize(whole.size());
        store->beginPaint(whole);
        store->endPaint();
    }
    return panel;
}

SuggestionPanelController::SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel,
                                                     Clipboard& clipboard, Screens& screens,
                                                     WindowHints& hints, QObject* parent)
    : SuggestionPanelController(std::move(viewModel), build(clipboard, hints), screens, parent) {}

SuggestionPanelController::SuggestionPanelController(std::shared_ptr<SuggestionViewModel> viewModel,
                                                     Panel prepared, Screens& screens, QObject* parent)
    : SuggestionPanel(parent),
      m_viewModel(std::move(viewModel)),
      m_screens(screens),
      m_panel(std::move(prepared)) {
    m_panel->setObjectName(QStringLiteral("QuilletSuggestions"));
    view()->bind(*m_viewModel);
    connect(m_panel.get(), &KeyboardPanel::cancelled, this, [this] {
        // Escape stops the requests at once, a retry waiting for its turn included.
        m_viewModel->cancel();
        emit closed();
    });
}

SuggestionPanelController::~SuggestionPanelController() {
    m_viewModel->cancel();
}

SuggestionView* SuggestionPanelController::view() const {
    return static_cast<SuggestionView*>(m_panel->content());
}

void SuggestionPanelController::showAhead(KeyboardPanel& panel, const Rect& near, Screens& screens) {
    place(panel, near, screens);
    panel.showWithoutActivating();
}

void SuggestionPanelController::show(const Rect& near) {
    place(*m_panel, near, m_screens);
    m_panel->bringToFront();
}

void SuggestionPanelController::hide() {
    m_panel->hide();
}

void SuggestionPanelController::hold() {
    m_panel->setEnabled(false);
}

}  // namespace quillet
