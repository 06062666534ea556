// The first-run setup: the accessibility switch, the API key and a sample text to try, in three steps.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <functional>

#include "core/KeyCheck.h"
#include "core/OnboardingSteps.h"
#include "platform/Scheduler.h"
#include "ui/KeyStatusView.h"
#include "ui/SettingsView.h"

class QLabel;
class QLineEdit;

class QPushButton;
class QStackedWidget;

namespace quillet {

class Accessibility;
class SettingsStore;

class SecretField;
class SymbolLabel;

class OnboardingStepDots;

class OnboardingView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 520;
    // Tall enough for the sample field whole under the longest instruction of either language.
    static constexpr int height = 520;
    static constexpr std::chrono::milliseconds permissionPollInterval{1000};
    using Step = OnboardingSteps::Step;
    static constexpr Step permission = OnboardingSteps::permission;
    static constexpr Step apiKey = OnboardingSteps::apiKey;
    static constexpr Step test = OnboardingSteps::test;

    /// The sample text of the current language, put into the sample field each time the view is shown.
    static QString sampleText();

    /// `store`, `accessibility` and `scheduler` must outlive the view. Reads the permission at once
    /// and polls it every second while the view lives. `onFinished` runs when Finish is pressed.
    OnboardingView(SettingsStore& store, Accessibility& accessibility, Scheduler& scheduler,
                   KeyValidator validateKey, std::function<void()> onFinished, QWidget* parent = nullptr);
    ~OnboardingView() override;

    int step() const { return m_steps.current(); }
    bool axTrusted() const { return m_axTrusted; }
    KeyStatus keyStatus() const { return m_keyCheck.status(); }
    QString apiKeyInput() const;
    QString demoText() const;
    /// The "Try it now" field, for whoever makes the overlay icon follow it.
    QPlainTextEdit* sampleField() const { return m_sampleField; }

    /// Stores the key field exactly as typed, then checks the key read back from the store. Stays
    /// available while a check runs; only the latest check's answer is shown.
    void saveAndValidate();
    /// Shows `step` as it stands, whatever the steps before it hold (for its picture).
    void presentStep(Step step);
    /// Continue (or Finish on the last step), when enabled.
    void goForward();
    void goBack();
    bool canGoForward();
    /// What the desktop lacks for the icon at the field (paragraphs; none when nothing is missing),
    /// shown on the "Try it now" step in place of the promise that the icon appears.
    void setDesktopHint(std::function<QStringList(const L10n& l)> hint);

    /// Stops the permission poll for good (the view is about to go).
    void stopPolling();

Q_SIGNALS:
    /// The sample field has come into view (its step opened while the window is shown, or the other way).
    void sampleFieldShown(QPlainTextEdit* field);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildPermissionStep();
    QWidget* buildKeyStep();
    QWidget* buildTestStep();
    QWidget* buildFooter();
    void showStep();
    void pollPermission();
    void refresh();
    void refreshPermissionStatus();
    void updateButtons();
    bool keyRequired() const;

    SettingsStore& m_store;
    Accessibility& m_accessibility;
    Scheduler& m_scheduler;
    KeyCheck m_keyCheck;
    std::function<void()> m_onFinished;
    std::function<QStringList(const L10n& l)> m_desktopHint;

    OnboardingSteps m_steps;
    bool m_axTrusted = false;
    TimerId m_pollTimer = 0;

    QLabel* m_title;
    QLabel* m_tagline;
    QStackedWidget* m_pages;

    QLabel* m_permissionHeading;
    QLabel* m_permissionText;
    QPushButton* m_requestButton;
    SymbolLabel* m_permissionSymbol;
    QLabel* m_permissionStatus;

    QLabel* m_keyHeading;
    QLabel* m_keyText;
    SecretField* m_keyField;
    QPushButton* m_saveButton;
    KeyStatusView* m_keyStatusView;
    QLabel* m_keyNotNeeded;

    QLabel* m_testHeading;
    QLabel* m_testText;
    QPlainTextEdit* m_sampleField;

    QPushButton* m_backButton;
    OnboardingStepDots* m_dots;
    QPushButton* m_forwardButton;
};

}  // namespace quillet
