// A suggestion panel open for a sentence, on fakes and a virtual clock, its choices recorded.
#pragma once

#include <gmock/gmock.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "core/SettingsStore.h"
#include "core/SuggestionViewModel.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeWindowHints.h"
#include "ui/SuggestionPanelController.h"
#include "ui/SuggestionView.h"
#include "ui/SurfaceTestSupport.h"

namespace quillet::test {

inline const QString original = QStringLiteral("I has went to the store yesterday and buyed two apple.");
inline const QString corrected = QStringLiteral("I went to the store yesterday and bought two apples.");

inline CorrectionResult correction(QString text, int changes) {
    CorrectionResult r{std::move(text), {}};
    for (int i = 0; i < changes; ++i)
        r.changes << CorrectionChange{QStringLiteral("a"), QStringLiteral("b"), {}};
    return r;
}

class SuggestionPanelFixture : public testing::Test {
protected:
    void SetUp() override { open(original); }
    /// A new panel for `text`, in place of the one before.
    void open(const QString& text, QList<CustomAction> actions = {}) {
        controller.reset();
        vm = std::make_shared<SuggestionViewModel>(
            text,
            OpenAIClient(SettingsStore::defaultApiBaseURL, QStringLiteral("sk-test"),
                         QStringLiteral("gpt-4o-mini"), transport, scheduler, recognizer),
            std::move(actions));
        QObject::connect(vm.get(), &SuggestionViewModel::replaceRequested,
                         [this](const QString& chosen) { replaced << chosen; });
        QObject::connect(vm.get(), &SuggestionViewModel::closeRequested, [this] { ++closeRequests; });
        controller = std::make_unique<SuggestionPanelController>(vm, clipboard, screens, hints);
        QObject::connect(controller.get(), &SuggestionPanelController::closed, [this] { ++closes; });
        controller->show(Rect(300, 400, 24, 24));
    }
    void TearDown() override {
        controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    SuggestionView& view() { return *controller->view(); }
    QWidget* content() { return view().currentContent(); }
    template <typename T = QWidget>
    T* find(const char* name) {
        return content() ? content()->findChild<T*>(QLatin1String(name)) : nullptr;
    }
    QImage snapshot(const QString& name) {
        return render(*controller->panel(), QStringLiteral("panel-") + name);
    }
    /// The panel in front, with the keyboard.
    void activate() {
        controller->panel()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(controller->panel()));
    }
    /// Escape pressed in `target`, or wherever the keyboard is, in the active panel.
    void escape(QWidget* target = nullptr) {
        ASSERT_NO_FATAL_FAILURE(activate());
        if (target)
            target->setFocus();
        QWidget* at = target ? target : QApplication::focusWidget();
        QTest::keyClick(at ? at : controller->panel(), Qt::Key_Escape);
    }

    FakeScheduler scheduler;
    FakeHttpTransport transport{scheduler};
    FakeLanguageRecognizer recognizer;
    FakeScreens screens;
    FakeWindowHints hints;
    MemoryClipboard clipboard;
    std::shared_ptr<SuggestionViewModel> vm;
    std::unique_ptr<SuggestionPanelController> controller;
    QStringList replaced;
    int closeRequests = 0;
    int closes = 0;
};

}  // namespace quillet::test
