// The settings window's shortcut row: the recorder, and what it says when the shortcut is not taken.
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/SettingsViewFixture.h"
#include "ui/ShortcutRecorder.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using testing::ElementsAre;

namespace {

using ShortcutSettingsTest = SettingsViewFixture;

TEST_F(ShortcutSettingsTest, ShortcutRowSaysWhenTheShortcutCouldNotBeTaken) {
    std::optional<GrabError> failure;
    SettingsView::ShortcutControl control;
    control.startupFailure = [&failure] { return failure; };
    auto view = makeView(control);
    view->showPage(SettingsView::Page::shortcut);
    auto* unavailable = child<QLabel>(view.get(), "shortcutUnavailable");
    EXPECT_TRUE(unavailable->isHidden());
    EXPECT_FALSE(child<QLabel>(view.get(), "shortcutSteps")->isVisible());
    EXPECT_TRUE(child<QPushButton>(view.get(), "shortcutRecorder")->isVisible());

    failure = GrabError{GrabError::Kind::taken};
    store.setMinWordCount(4);  // any change of the store redraws the row
    EXPECT_FALSE(unavailable->isHidden());
    EXPECT_EQ(unavailable->text(), "Unavailable");
    EXPECT_EQ(unavailable->toolTip(), "Another program already uses Super+Shift+G.");
}

// A key as the X11 platform delivers it: Qt's key and modifiers, and the keysym and keycode.
void pressKey(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 keycode, quint32 keysym) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, keycode, keysym, 0);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, keycode, keysym, 0);
    QApplication::sendEvent(w, &release);
}

TEST_F(ShortcutSettingsTest, TheRecorderTakesAPressedCombinationOrSaysWhyNot) {
    QList<std::optional<Shortcut>> asked;
    QList<bool> suspensions;
    SettingsView::ShortcutControl control;
    control.change = [&](const std::optional<Shortcut>& s) -> std::optional<GrabError> {
        asked << s;
        if (s && s->text() == "Super+J")
            return GrabError{GrabError::Kind::taken};
        store.setGlobalShortcut(s ? s->text() : QString());
        return std::nullopt;
    };
    control.suspend = [&](bool on) { suspensions << on; };
    auto view = makeView(control);
    auto* recorder = child<ShortcutRecorder>(view.get(), "shortcutRecorder");
    auto* error = child<QLabel>(view.get(), "shortcutError");
    EXPECT_EQ(recorder->text(), "Super+Shift+G") << "the default";

    QTest::mouseClick(recorder, Qt::LeftButton);
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->text(), "Press a shortcut…");
    EXPECT_THAT(suspensions, ElementsAre(true)) << "the current shortcut lets its keys through";
    pressKey(recorder, Qt::Key_Control, Qt::ControlModifier, 37, 0xffe3);
    pressKey(recorder, Qt::Key_G, Qt::ShiftModifier, 42, 'G');
    EXPECT_TRUE(recorder->isRecording()) << "Shift alone is not enough";
    EXPECT_FALSE(error->isHidden());
    EXPECT_EQ(error->text(),
              "Use Ctrl, Alt or Super with Shift+G: alone it would stop working in every other program.");
    pressKey(recorder, Qt::Key_Enter, Qt::ControlModifier, 104, 0xff8d);
    EXPECT_EQ(error->text(), "This key cannot be part of a shortcut.");
    EXPECT_TRUE(asked.isEmpty());

    // Under a Cyrillic layout the K key gives "к": the physical key is recorded.
    pressKey(recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, 45, 0x6cb);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_THAT(suspensions, ElementsAre(true, false));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0]->text(), "Ctrl+Alt+K");
    EXPECT_EQ(store.globalShortcut(), "Ctrl+Alt+K");
    EXPECT_EQ(recorder->text(), "Ctrl+Alt+K");
    EXPECT_TRUE(error->isHidden());

    // Refused by the desktop: the reason shows and the previous combination stays.
    QTest::mouseClick(recorder, Qt::LeftButton);
    pressKey(recorder, Qt::Key_J, Qt::MetaModifier, 44, 'j');
    EXPECT_EQ(error->text(), "Another program already uses Super+J.");
    EXPECT_EQ(recorder->text(), "Ctrl+Alt+K");
    EXPECT_EQ(store.globalShortcut(), "Ctrl+Alt+K");

    // Escape gives up; the window's own Escape does not get it.
    QTest::mouseClick(recorder, Qt::LeftButton);
    EXPECT_TRUE(error->isHidden()) << "a new try clears the old reason";
    pressKey(recorder, Qt::Key_Escape, Qt::NoModifier, 9, 0xff1b);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(asked.size(), 2);

    auto* clear = child<QPushButton>(view.get(), "shortcutClearButton");
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(asked.last(), std::nullopt);
    EXPECT_EQ(store.globalShortcut(), "");
    EXPECT_EQ(recorder->text(), "Off");
    EXPECT_FALSE(clear->isEnabled());
}

TEST_F(ShortcutSettingsTest, WhereTheDesktopHoldsTheShortcutItsStepsReplaceTheRecorder) {
    SettingsView::ShortcutControl control;
    control.desktopSteps = [](const L10n& l) {
        return QStringList{l.text("1. Open Settings and choose “Keyboard”."),
                           QStringLiteral("quillet --trigger")};
    };
    auto view = makeView(control);
    view->showPage(SettingsView::Page::shortcut);
    auto* steps = child<QLabel>(view.get(), "shortcutSteps");
    EXPECT_TRUE(steps->isVisible());
    EXPECT_EQ(steps->text(), "1. Open Settings and choose “Keyboard”.\nquillet --trigger");
    EXPECT_FALSE(child<QPushButton>(view.get(), "shortcutRecorder")->isVisible());
    EXPECT_FALSE(child<QPushButton>(view.get(), "shortcutClearButton")->isVisible());
    store.setLanguage(AppLanguage::sr);
    EXPECT_EQ(steps->text(), "1. Otvorite Podešavanja i izaberite „Tastatura“.\nquillet --trigger")
        << "follows the language";
}

}  // namespace
