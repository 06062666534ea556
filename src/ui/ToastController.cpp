// The notice after a replacement, with Undo: one at a time, gone by itself after 10 seconds.
#include "ui/ToastController.h"

#include "core/SurfacePlacement.h"
#include "platform/Screens.h"
#include "ui/FloatingPanel.h"
#include "ui/ToastView.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <algorithm>

namespace quillet {

namespace {
// A toast may be dropped from inside its own button's click: delete it once the event is done.
void deleteWhenIdle(FloatingPanel* panel) {
    if (panel)
        panel->deleteLater();
}
}  // namespace

ToastController::ToastController(Scheduler& scheduler, Screens& screens, WindowHints& hints, QObject* parent)
    : QObject(parent),
      m_scheduler(scheduler),
      m_screens(screens),
      m_hints(hints),
      m_panel(nullptr, &deleteWhenIdle) {}

ToastController::~ToastController() {
    dismiss();
}

ToastView* ToastController::view() const {
    return m_panel ? static_cast<ToastView*>(m_panel->content()) : nullptr;
}

void ToastController::show(const std::optional<Rect>& near, std::function<void()> undo,
                           const QString& message) {
    dismiss();
    const quint64 generation = ++m_generation;
    QPointer<ToastController> self(this);

    auto* content = new ToastView;
    // Shared by the button's closure, so a second press (or a press after the toast went) does nothing.
    auto pendingUndo = std::make_shared<std::function<void()>>(std::move(undo));
    connect(content, &ToastView::undoClicked, this, [self, generation, pendingUndo] {
        if (!*pendingUndo)
            return;
        const std::function<void()> run = std::exchange(*pendingUndo, nullptr);
        run();
        if (self)
            self->dismissIfCurrent(generation);
    });
    connect(content, &ToastView::closeClicked, this, [this, generation] { dismissIfCurrent(generation); });

    m_panel.reset(new FloatingPanel(FloatingPanel::Focus::never, FloatingPanel::Shadow::desktop, m_hints));
    m_panel->setObjectName(QStringLiteral("QuilletToast"));
    m_panel->setWindowTitle(QStringLiteral("Quillet"));
    if (!message.isEmpty())
        content->messageLabel()->setText(message);
    // A longer message widens the toast about the same centre, up to a width that still reads as a
    // notice.
    const double wanted = std::clamp<double>(content->layout()->sizeHint().width(),
                                             SurfacePlacement::toastSize.width(), maxWidth);
    content->setFixedWidth(int(wanted));
    m_panel->setContent(content);
    QPointF origin =
        SurfacePlacement::toastOrigin(near, m_screens.pointer(), m_screens.screens(), m_screens.mainScreen());
    origin.rx() -= (wanted - SurfacePlacement::toastSize.width()) / 2;
    m_panel->setScreenFrame(Rect(origin, QSizeF(wanted, SurfacePlacement::toastSize.height())));
    m_panel->bringToFront();

    m_dismissTimer = m_scheduler.after(lifetime, [self, generation] {
        if (!self)
            return;
        self->m_dismissTimer.reset();  // it has run: nothing left to cancel
        self->dismissIfCurrent(generation);
    });
}

void ToastController::showMessage(const QString& text, const std::optional<Rect>& near) {
    show(
        near, [] {}, text);
    if (ToastView* content = view())
        content->undoButton()->hide();
}

void ToastController::dismissIfCurrent(quint64 generation) {
    if (generation == m_generation)
        dismiss();
}

void ToastController::dismiss() {
    if (m_dismissTimer)
        m_scheduler.cancel(*std::exchange(m_dismissTimer, std::nullopt));
    if (m_panel) {
        m_panel->hide();
        m_panel.reset();
    }
}

}  // namespace quillet
