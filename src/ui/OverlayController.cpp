// The floating icon over the focused field's bottom-right corner: one panel for the whole run.
#include "ui/OverlayController.h"

#include "core/L10n.h"

namespace quillet {

OverlayController::OverlayController(WindowHints& hints, QObject* parent) : QObject(parent), m_hints(hints) {}

OverlayController::~OverlayController() = default;

QString OverlayController::tooltipText() {
    return L10n::current().text(QStringLiteral("Fix text (Super+Shift+G)"),
                                QStringLiteral("Ispravi tekst (Super+Shift+G)"));
}

void OverlayController::createPanel() {
    m_panel =
        std::make_unique<FloatingPanel>(FloatingPanel::Focus::never, FloatingPanel::Shadow::none, m_hints);
    m_panel->setObjectName(QStringLiteral("QuilletOverlayIcon"));
    m_panel->setWindowTitle(QStringLiteral("Quillet"));
    auto* view = new OverlayIconView;
    view->setFixedSize(static_cast<int>(iconSize), static_cast<int>(iconSize));
    view->setState(m_pendingState);
    view->onClick = [self = QPointer<OverlayController>(this), view] {
        if (!self)
            return;
        self->m_lastClickTime = view->lastClickTime();
        if (self->onClick)
            self->onClick();
    };
    // Fixed now: a later change of language leaves it as it is for the rest of the run.
    const QString tip = tooltipText();
    view->setToolTip(tip);
    view->setAccessibleName(tip);
    m_panel->setContent(view);
    m_iconView = view;
}

void OverlayController::show(const Rect& nearFieldFrame, const std::optional<Rect>& windowFrame,
                             const QList<ScreenInfo>& screens) {
    if (!m_panel)
        createPanel();
    if (!m_panel)
        return;
    m_panel->setScreenFrame(SurfacePlacement::overlayIconFrame(nearFieldFrame, windowFrame, screens));
    m_panel->orderFront();
}

void OverlayController::hide() {
    if (m_panel)
        m_panel->orderOut();
}

quint64 OverlayController::lastClickTime() const {
    return m_lastClickTime;
}

bool OverlayController::isVisible() const {
    return m_panel && m_panel->isVisible();
}

IconState OverlayController::state() const {
    return m_iconView ? m_iconView->state() : m_pendingState;
}

void OverlayController::setState(IconState state) {
    m_pendingState = state;
    if (m_iconView)
        m_iconView->setState(state);
}

}  // namespace quillet
