// Shared set-up of the settings and setup window tests: a store on fakes, a key checker the test
// answers by hand, and accessibility whose permission the test switches on.
#pragma once

#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <deque>
#include <memory>

#include "platform/fake/FakeAccessibility.h"
#include "support/ScopedSettings.h"
#include "ui/SettingsView.h"
#include "ui/SurfaceTestSupport.h"

namespace quillet::test {

/// Records each key it is asked about; the test answers the checks in any order.
class ManualKeyChecker {
public:
    KeyValidator validator() {
        return [this](const QString&, const QString& key, std::function<void(bool)> done) {
            keys << key;
            pending.push_back(std::move(done));
        };
    }
    /// Answers the oldest open check, or the newest.
    void answer(bool valid, bool newest = false) {
        ASSERT_FALSE(pending.empty());
        auto done = std::move(newest ? pending.back() : pending.front());
        newest ? pending.pop_back() : pending.pop_front();
        done(valid);
    }
    QStringList keys;
    std::deque<std::function<void(bool)>> pending;
};

class WindowTest : public testing::Test, protected ScopedSettings {
protected:
    WindowTest() {
        accessibility.trusted = false;  // the setup starts by asking for it
        // The off-screen platform cannot raise a window and says so each time a window is presented.
        s_previousHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.contains(QLatin1String("does not support raise()")))
                    s_previousHandler(type, context, message);
            });
    }
    ~WindowTest() override {
        qInstallMessageHandler(s_previousHandler);
        // Windows handed to deleteLater must go while the services they use still exist.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    /// Puts a key into the keyring behind the store's back, and lets the store find it.
    void storeKey(const QString& key) {
        secrets.items[KeychainManager::itemFor({})] = key.toUtf8();
        store.refreshKeyPresence();
    }
    std::optional<QString> storedKey() const {
        const auto it = secrets.items.constFind(KeychainManager::itemFor({}));
        if (it == secrets.items.constEnd())
            return std::nullopt;
        return QString::fromUtf8(*it);
    }

    template <typename T = QWidget>
    static T* child(QWidget* root, const char* name) {
        T* w = root->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    /// The visible label whose text starts with `prefix`, or null.
    static QLabel* labelStartingWith(QWidget* root, const QString& prefix) {
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->text().startsWith(prefix))
                return label;
        return nullptr;
    }
    static void typeInto(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    static inline QtMessageHandler s_previousHandler = nullptr;
    FakeScheduler& scheduler = keyringClock;  // the store's, the setup's poll and the key check's
    FakeAccessibility accessibility;
    ManualKeyChecker checker;
};

}  // namespace quillet::test
