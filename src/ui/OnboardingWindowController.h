// The setup window: titled at each opening; closing hides it with its state, Finish closes it for good.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "ui/OnboardingView.h"

namespace quillet {

class OnboardingWindowController : public QObject {
    Q_OBJECT
public:
    /// Builds the hidden window and its view. Finish closes the window, then calls `onFinished`, which
    /// may destroy the controller. The services must outlive the controller.
    OnboardingWindowController(SettingsStore& store, Accessibility& accessibility, Scheduler& scheduler,
                               KeyValidator validateKey, std::function<void()> onFinished,
                               QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    /// Titles the window in the current language, centres it, shows it and brings it to the front.
    void present();
    /// Hides the window; the view keeps its step, key field and key status.
    void close();

    QWidget* window() const { return m_window; }
    OnboardingView* view() const { return m_view; }

private:
    QPointer<QWidget> m_window;
    OnboardingView* m_view;
};

}  // namespace quillet
