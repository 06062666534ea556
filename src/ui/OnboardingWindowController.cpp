// The setup window: titled at each opening; closing hides it with its state, Finish closes it for good.
#include "ui/OnboardingWindowController.h"

#include <QVBoxLayout>
#include <QWidget>

#include "core/L10n.h"
#include "ui/SettingsWindowController.h"

namespace quillet {

OnboardingWindowController::OnboardingWindowController(SettingsStore& store, Accessibility& accessibility,
                                                       Scheduler& scheduler, KeyValidator validateKey,
                                                       std::function<void()> onFinished, QObject* parent)
    : QObject(parent) {
    m_window = new QWidget(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_window->setObjectName(QStringLiteral("onboardingWindow"));
    m_window->setAttribute(Qt::WA_QuitOnClose, false);
    QPointer<OnboardingWindowController> self(this);
    auto finished = [self, onFinished = std::move(onFinished)] {
        if (self)
            self->close();
        if (onFinished)
            onFinished();
    };
    m_view = new OnboardingView(store, accessibility, scheduler, std::move(validateKey), std::move(finished),
                                m_window);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_window->setFixedSize(OnboardingView::width, OnboardingView::height);
}

OnboardingWindowController::~OnboardingWindowController() {
    // Finish usually ends the controller from inside the view's own click handler: delete the
    // window once that handler has returned.
    if (m_window) {
        m_view->stopPolling();
        m_window->hide();
        m_window->deleteLater();
    }
}

void OnboardingWindowController::present() {
    if (!m_window)
        return;
    const L10n l = L10n::current();
    m_window->setWindowTitle(l.text(QT_TRANSLATE_NOOP("Quillet", "Quillet — Setup")));
    presentCentered(*m_window);
}

void OnboardingWindowController::close() {
    if (m_window)
        m_window->close();
}

}  // namespace quillet
