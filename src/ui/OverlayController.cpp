// The floating icon over the focused field's bottom-right corner: one panel for the whole run.
#include "ui/OverlayController.h"

#include "core/L10n.h"
#include "core/SettingsStore.h"
#include "core/Shortcut.h"

namespace quillet {

OverlayController::OverlayController(WindowHints& hints, QObject* parent)
    : FieldIcon(parent), m_hints(hints) {}

OverlayController::~OverlayController() = default;

QString OverlayController::tooltipText(const L10n& l) {
    const QString fix = l.text(QT_TRANSLATE_NOOP("Quillet", "Fix text"));
    const SettingsStore* settings = SettingsStore::sharedIfInstalled();
    const std::optional<Shortcut> shortcut =
        Shortcut::inEffect(settings ? settings->globalShortcut() : Shortcut::defaultShortcut().text());
    return shortcut ? QStringLiteral("%1 (%2)").arg(fix, shortcut->text()) : fix;
}

void OverlayController::updateTooltip() {
    if (!m_iconView || !m_tooltipLanguage)
        return;
    const QString tip = tooltipText(*m_tooltipLanguage);
    if (m_iconView->toolTip() == tip)
        return;
    m_iconView->setToolTip(tip);
    m_iconView->setAccessibleName(tip);
}

void OverlayController::createPanel() {
    m_panel =
        std::make_unique<FloatingPanel>(FloatingPanel::Focus::never, FloatingPanel::Shadow::none, m_hints);
    m_panel->setObjectName(QStringLiteral("QuilletOverlayIcon"));
    m_panel->setWindowTitle(QStringLiteral("Quillet"));
    auto* view = new OverlayIconView;
    view->setFixedSize(static_cast<int>(iconSize), static_cast<int>(iconSize));
    view->setState(m_pendingState);
    connect(view, &OverlayIconView::clicked, this, [this, view] {
        m_lastClickTime = view->lastClickTime();
        emit clicked();
    });
    m_panel->setContent(view);
    m_iconView = view;
    // The language is fixed now: a later change leaves it as it is for the rest of the run.
    m_tooltipLanguage = L10n::current();
    updateTooltip();
}

void OverlayController::setDesktopIcon(DesktopIcon* icon) {
    m_desktopIcon = icon;
    if (!icon)
        return;
    connect(icon, &DesktopIcon::clicked, this, &FieldIcon::clicked, Qt::UniqueConnection);
}

std::optional<Rect> OverlayController::iconFrame() const {
    if (m_desktopFrame)
        return m_desktopFrame;
    if (m_panel && m_panel->isVisible())
        return m_panel->screenFrame();
    return std::nullopt;
}

void OverlayController::showOnDesktop() {
    const DesktopIcon::Look look = m_pendingState == IconState::loading ? DesktopIcon::Look::loading
                                   : m_pendingState == IconState::error ? DesktopIcon::Look::error
                                                                        : DesktopIcon::Look::ready;
    if (!m_desktopIcon->show(*m_desktopFrame, look, tooltipText(L10n::current())))
        m_desktopFrame.reset();
}

void OverlayController::show(const Rect& nearFieldFrame, const std::optional<Rect>& windowFrame,
                             const QList<ScreenInfo>& screens) {
    if (drawnByDesktop()) {
        if (m_panel)
            m_panel->hide();
        m_desktopFrame = SurfacePlacement::overlayIconFrame(nearFieldFrame, windowFrame, screens);
        showOnDesktop();
        return;
    }
    if (!m_panel)
        createPanel();
    if (!m_panel)
        return;
    updateTooltip();
    m_panel->setScreenFrame(SurfacePlacement::overlayIconFrame(nearFieldFrame, windowFrame, screens));
    m_panel->bringToFront();
}

void OverlayController::hide() {
    if (m_desktopFrame && m_desktopIcon)
        m_desktopIcon->hide();
    m_desktopFrame.reset();
    if (m_panel)
        m_panel->hide();
}

quint64 OverlayController::lastClickTime() const {
    return m_lastClickTime;
}

bool OverlayController::isVisible() const {
    return m_desktopFrame.has_value() || (m_panel && m_panel->isVisible());
}

IconState OverlayController::state() const {
    return m_pendingState;
}

void OverlayController::setState(IconState state) {
    m_pendingState = state;
    if (m_iconView)
        m_iconView->setState(state);
    if (m_desktopFrame && drawnByDesktop())
        showOnDesktop();
}

}  // namespace quillet
