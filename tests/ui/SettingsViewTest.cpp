// The settings window as a person uses it: key, model, endpoint, block list, shortcut, language.
#include "ui/SettingsViewFixture.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextDocument>
#include <QToolButton>

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QMenu>

#include "ui/ActionsSection.h"
#include "ui/FormSection.h"
#include "ui/KeyStatusView.h"
#include "ui/SecretField.h"
#include "ui/ShortcutRecorder.h"
#include "ui/StatusSection.h"
#include "ui/Style.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using SettingsViewTest = SettingsViewFixture;

TEST_F(SettingsViewTest, SaveChecksWhatIsStoredStaysOffWhileTheCheckRunsAndSaysAKeyringRefusal) {
    auto view = makeView();
    auto* field = child<QLineEdit>(view.get(), "apiKeyField");
    auto* save = child<QPushButton>(view.get(), "saveKeyButton");
    EXPECT_FALSE(save->isEnabled()) << "empty field";
    EXPECT_EQ(statusText(*view), "") << "no key stored, nothing checked";

    // Spaces are a key like any other: stored and checked exactly as typed.
    typeInto(field, QStringLiteral("   "));
    EXPECT_TRUE(save->isEnabled());
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(storedKey(), "   ");
    EXPECT_THAT(checker.keys, ElementsAre("   "));
    EXPECT_EQ(view->keyStatus(), KeyStatus::checking);
    EXPECT_TRUE(spinning(*view));
    EXPECT_FALSE(save->isEnabled()) << "one check at a time";
    view->saveAndValidate();
    EXPECT_EQ(checker.keys.size(), 1);

    checker.answer(true);
    EXPECT_EQ(view->keyStatus(), KeyStatus::valid);
    EXPECT_EQ(statusText(*view), "Key is valid");
    EXPECT_FALSE(spinning(*view));
    EXPECT_TRUE(save->isEnabled());

    // No Secret Service to keep a new key: said so, kept in the field, never checked.
    secrets.failWrites = true;
    typeInto(field, QStringLiteral("sk-new"));
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(view->keyStatus(), KeyStatus::keyringUnavailable);
    EXPECT_EQ(statusText(*view), "Not saved: no keyring available");
    EXPECT_EQ(view->apiKeyInput(), "sk-new") << "the typed key is not lost";
    EXPECT_EQ(field->text(), QString(6, QChar(SecretField::mask))) << "the widget holds masks alone";
    EXPECT_EQ(checker.keys.size(), 1) << "neither the old key nor an empty one is checked";
    EXPECT_TRUE(save->isEnabled()) << "it can be tried again";

    // Back to normal: saved, read back, checked.
    secrets.failWrites = false;
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_THAT(checker.keys, ElementsAre("   ", "sk-new"));
}

// The stored key never comes into a widget: the field says a key is stored, for the server in use,
// and takes a new one; a key typed but not saved is gone when the view is shown again.
TEST_F(SettingsViewTest, TheStoredKeyNeverComesIntoTheFieldWhichSpeaksOfTheCurrentServer) {
    storeKey(QStringLiteral("sk-stored-key"));
    auto view = makeView();
    view->showPage(SettingsView::Page::server);
    auto* field = child<SecretField>(view.get(), "apiKeyField");
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(statusText(*view), "Key is stored in the system keyring");
    EXPECT_EQ(field->placeholderText(), "Stored — type a new key to replace it");
    for (const QWidget* w : view->findChildren<QWidget*>()) {
        for (const QString& shown :
             {w->accessibleName(), w->accessibleDescription(), w->toolTip(), w->property("text").toString(),
              w->property("placeholderText").toString()})
            EXPECT_FALSE(shown.contains("stored-key")) << w->objectName().toStdString();
    }
    typeInto(field, QStringLiteral("sk-typed"));
    view->hide();
    view->show();
    EXPECT_TRUE(view->apiKeyInput().isEmpty());
    EXPECT_EQ(storedKey(), "sk-stored-key");

    // Another server has no key yet, and one on plain HTTP beyond this machine asks before it gets it.
    auto* plainSwitch = child<ToggleSwitch>(view.get(), "plainHttpKeySwitch");
    ASSERT_NE(plainSwitch, nullptr);
    EXPECT_FALSE(plainSwitch->isVisibleTo(view.get()));
    store.setApiBaseURL(QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(statusText(*view), "");
    EXPECT_EQ(field->placeholderText(), "sk-…");
    EXPECT_FALSE(plainSwitch->isVisibleTo(view.get())) << "this machine: nothing crosses the network";
    store.setApiBaseURL(QStringLiteral("http://192.168.1.9:8080"));
    EXPECT_TRUE(plainSwitch->isVisibleTo(view.get()));
    typeInto(field, QStringLiteral("sk-lan"));
    view->saveAndValidate();
    EXPECT_EQ(view->keyStatus(), KeyStatus::notSent);
    EXPECT_TRUE(checker.keys.isEmpty());
    QTest::mouseClick(plainSwitch, Qt::LeftButton);
    EXPECT_TRUE(store.plainHttpKeyAllowed(QStringLiteral("http://192.168.1.9:8080")));
    EXPECT_EQ(view->keyStatus(), KeyStatus::idle);
    store.setApiBaseURL(SettingsStore::defaultApiBaseURL);
    EXPECT_EQ(statusText(*view), "Key is stored in the system keyring") << "the default key is still there";
}

TEST_F(SettingsViewTest, BlockListRowsFollowTheList) {
    store.setBlocklist({QStringLiteral("a.b"), QStringLiteral("x.y"), QStringLiteral("a.b")});
    auto view = makeView();
    auto* field = child<QLineEdit>(view.get(), "newBlockedAppField");
    auto* add = child<QPushButton>(view.get(), "addBlockedAppButton");
    EXPECT_EQ(removeButtons(*view).size(), 3);

    typeInto(field, QStringLiteral(" \t "));
    EXPECT_FALSE(add->isEnabled()) << "spaces and tabs only";
    typeInto(field, QStringLiteral("  org.gnome.gedit\t"));
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_THAT(store.blocklist(), ElementsAre("a.b", "x.y", "a.b", "org.gnome.gedit"));
    typeInto(field, QStringLiteral("org.gnome.gedit"));
    view->addBlockedApp();
    EXPECT_EQ(field->text(), "") << "emptied, though already listed";

    // The first row's button removes both copies of "a.b", and the rows follow the list.
    QTest::mouseClick(removeButtons(*view).first(), Qt::LeftButton);
    EXPECT_THAT(store.blocklist(), ElementsAre("x.y", "org.gnome.gedit"));
    EXPECT_EQ(removeButtons(*view).size(), 2);
    EXPECT_EQ(removeButtons(*view).first()->accessibleName(), "Remove x.y");
}

TEST_F(SettingsViewTest, StepperStaysWithinOneToTwentyAndOtherControlsWriteAtOnce) {
    auto view = makeView();
    auto* stepper = child<QSpinBox>(view.get(), "minWordsStepper");
    EXPECT_EQ(stepper->value(), 3);
    for (int i = 0; i < 30; ++i)
        stepper->stepUp();
    EXPECT_EQ(store.minWordCount(), 20);
    EXPECT_TRUE(labelStartingWith(view.get(), QStringLiteral("Min. words to show the icon: 20")));
    for (int i = 0; i < 30; ++i)
        stepper->stepDown();
    EXPECT_EQ(store.minWordCount(), 1);

    auto* login = child<QCheckBox>(view.get(), "launchAtLoginSwitch");
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_TRUE(store.launchAtLogin());
    autostart.failure = QStringLiteral("no autostart folder");
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(store.launchAtLogin());
    EXPECT_FALSE(login->isChecked());

    auto* language = child<QComboBox>(view.get(), "languagePicker");
    Q_EMIT language->activated(1);
    EXPECT_EQ(store.language(), AppLanguage::sr);
}

// A change the preferences file does not take is said above every page, in the window's language,
// naming the file, until a later change is saved.
TEST_F(SettingsViewTest, AChangeThatCannotBeSavedIsSaidUntilOneIs) {
    auto view = makeView();
    auto* message = child<QLabel>(view.get(), "saveError");
    auto* stepper = child<QSpinBox>(view.get(), "minWordsStepper");
    EXPECT_FALSE(message->isVisible());

    defaults.path = QStringLiteral("/full/disk/quillet.conf");
    defaults.failWrites = true;
    stepper->stepUp();
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(),
              "Could not save this change: /full/disk/quillet.conf cannot be written. Check "
              "that the disk is not full and the folder can be written to.");
    view->showPage(SettingsView::Page::actions);
    EXPECT_TRUE(message->isVisible()) << "on every page";
    Q_EMIT child<QComboBox>(view.get(), "languagePicker")->activated(1);
    EXPECT_EQ(message->text(),
              "Izmena nije sačuvana: u /full/disk/quillet.conf ne može da se piše. Proverite "
              "da disk nije pun i da se u fasciklu može pisati.");
    EXPECT_EQ(message->palette().color(QPalette::WindowText), Style::statusRed(*view));

    defaults.failWrites = false;
    stepper->stepUp();
    EXPECT_FALSE(message->isVisible());
}

TEST_F(SettingsViewTest, ModelPickerOffersTwoModelsAndTakesATypedName) {
    store.setModel(QStringLiteral("llama3.1:8b"));
    auto view = makeView();
    auto* picker = child<QComboBox>(view.get(), "modelPicker");
    ASSERT_EQ(picker->count(), 2);
    EXPECT_EQ(picker->currentText(), "llama3.1:8b") << "a model set elsewhere stays in effect and in view";
    const int writes = defaults.writes;
    store.setLanguage(AppLanguage::sr);
    EXPECT_EQ(picker->currentText(), "llama3.1:8b");
    EXPECT_EQ(defaults.writes, writes + 1) << "only the language was written";

    picker->setCurrentIndex(1);
    Q_EMIT picker->activated(1);
    EXPECT_EQ(store.model(), picker->itemText(1));

    enter(picker->lineEdit(), QStringLiteral("  mistral-small "));
    EXPECT_EQ(store.model(), "mistral-small");
    EXPECT_EQ(picker->count(), 2) << "typed names are not added to the choices";

    enter(picker->lineEdit(), QStringLiteral("   "));
    EXPECT_EQ(store.model(), "mistral-small") << "a blank name changes nothing";
    EXPECT_EQ(picker->currentText(), "mistral-small");
}

TEST_F(SettingsViewTest, EndpointTakesAnHttpAddressAPresetAndResetsToTheDefault) {
    auto view = makeView();
    auto* field = child<QLineEdit>(view.get(), "endpointField");
    auto* reset = child<QPushButton>(view.get(), "endpointResetButton");
    auto* error = child<QLabel>(view.get(), "endpointError");
    EXPECT_EQ(field->text(), "https://api.openai.com");
    EXPECT_FALSE(reset->isEnabled());

    enter(field, QStringLiteral("localhost:11434"));
    EXPECT_FALSE(error->isHidden());
    EXPECT_EQ(error->text(), "Enter an address that starts with http:// or https://");
    EXPECT_EQ(store.apiBaseURL(), "https://api.openai.com");
    EXPECT_EQ(field->text(), "localhost:11434") << "kept, to be corrected";
    EXPECT_TRUE(reset->isEnabled());

    enter(field, QStringLiteral(" http://127.0.0.1:11434/ "));
    EXPECT_TRUE(error->isHidden());
    EXPECT_EQ(store.apiBaseURL(), "http://127.0.0.1:11434");
    EXPECT_EQ(field->text(), "http://127.0.0.1:11434");
    EXPECT_TRUE(reset->isEnabled());

    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(store.apiBaseURL(), "https://api.openai.com");
    EXPECT_EQ(field->text(), "https://api.openai.com");
    EXPECT_FALSE(reset->isEnabled());

    // A preset fills it in.
    auto* presets = child<QPushButton>(view.get(), "endpointPresetsButton");
    ASSERT_NE(presets->menu(), nullptr);
    const QList<QAction*> actions = presets->menu()->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions[0]->data().toString(), "https://api.openai.com");
    actions[1]->trigger();
    EXPECT_EQ(store.apiBaseURL(), actions[1]->data().toString());
    EXPECT_EQ(field->text(), store.apiBaseURL());
    actions[0]->trigger();
    EXPECT_EQ(store.apiBaseURL(), "https://api.openai.com");
}

TEST_F(SettingsViewTest, RefreshOffersTheServersModelsAndAnyNameMayStillBeTyped) {
    auto view = makeView();
    auto* picker = child<QComboBox>(view.get(), "modelPicker");
    auto* refresh = child<QPushButton>(view.get(), "modelRefreshButton");
    auto* error = child<QLabel>(view.get(), "modelError");
    EXPECT_FALSE(refresh->isEnabled()) << "nothing to ask yet";

    std::vector<std::function<void(QStringList, QString)>> asks;
    view->setModelLister([&](std::function<void(QStringList, QString)> done) { asks.push_back(done); });
    store.setApiBaseURL("http://127.0.0.1:11434");
    EXPECT_EQ(picker->count(), 0) << "the hosted service's names mean nothing to another server";
    QTest::mouseClick(refresh, Qt::LeftButton);
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_FALSE(refresh->isEnabled()) << "one question at a time";
    asks[0]({}, QStringLiteral("No internet connection. Please try again."));
    EXPECT_FALSE(error->isHidden());
    EXPECT_EQ(error->text(), "No internet connection. Please try again.");
    EXPECT_TRUE(refresh->isEnabled());

    QTest::mouseClick(refresh, Qt::LeftButton);
    asks[1]({"llama3:8b", "qwen2.5"}, QString());
    EXPECT_TRUE(error->isHidden());
    ASSERT_EQ(picker->count(), 2);
    EXPECT_EQ(picker->itemText(1), "qwen2.5");
    EXPECT_EQ(picker->currentText(), "gpt-4o-mini") << "the model in effect stays until another is picked";
    picker->activated(1);
    EXPECT_EQ(store.model(), "qwen2.5");

    // The list is the server's: another server shows its own, and this one's comes back with it.
    store.setApiBaseURL("https://api.openai.com");
    EXPECT_EQ(picker->itemText(0), "gpt-4o-mini");
    store.setApiBaseURL("http://127.0.0.1:11434");
    EXPECT_EQ(picker->count(), 2);
    enter(picker->lineEdit(), QStringLiteral("phi3"));
    EXPECT_EQ(store.model(), "phi3");
}

// Each page fits the window as it opens, in either language, the tray's section included where there
// is no tray, and no label, button or address is cut short.
TEST_F(SettingsViewTest, EveryPageFitsTheWindowWithNothingCutShort) {
    TrayState commands;
    commands.isPaused = [] { return false; };
    commands.historyTitles = [] {
        return QStringList{"I went to the store.", "Thanks for the note.", "See you"};
    };
    commands.blockCandidate = [] { return std::optional<QString>("Text Editor"); };
    for (const AppLanguage& language : {AppLanguage::en, AppLanguage::sr}) {
        store.setLanguage(language);
        auto view = makeView();
        view->setTrayState(commands);
        view->setTrayMissing(true);
        for (int i = 0; i < SettingsView::pageCount; ++i) {
            const auto page = SettingsView::Page(i);
            view->showPage(page);
            QCoreApplication::processEvents();
            QScrollArea* area = view->pageArea(page);
            EXPECT_EQ(area->verticalScrollBar()->maximum(), 0) << "page " << i << " scrolls";
            for (QWidget* w : area->widget()->findChildren<QWidget*>()) {
                if (!w->isVisible())
                    continue;
                const std::string what = w->metaObject()->className() + (" " + w->objectName().toStdString());
                if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                    EXPECT_GE(button->width(), button->sizeHint().width())
                        << what << " " << button->text().toStdString();
                }
                if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
                    EXPECT_GE(label->width(), label->sizeHint().width())
                        << what << " " << label->text().toStdString();
                }
                if (auto* field = qobject_cast<QLineEdit*>(w)) {
                    EXPECT_LT(field->fontMetrics().horizontalAdvance(field->text()), field->width() - 8)
                        << what;
                }
            }
        }
    }
}

// Each text is redrawn at the switch; only the names that are the same in both languages stay.
TEST_F(SettingsViewTest, EveryTextFollowsTheLanguageAtOnce) {
    store.setBlocklist({});  // identifiers, the same in every language
    auto view = makeView();
    const auto english = texts(view.get());
    store.setLanguage(AppLanguage::sr);
    EXPECT_EQ(unchanged(english, view.get(),
                        {"OpenAI API", "Model", "English", "Srpski", "Super+Shift+G", "gpt-4o-mini",
                         "https://api.openai.com", "sk-…"}),
              QStringList());

    // Every control a person can reach has a name a screen reader can say.
    for (QWidget* w : view->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QSpinBox*>(w)) {
            if (w->parentWidget() &&
                (qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QSpinBox*>(w->parentWidget())))
                continue;  // the editor inside a picker or stepper
            if (w->objectName().startsWith(QLatin1String("qt_")))
                continue;  // scroll bar buttons
            EXPECT_FALSE(w->accessibleName().isEmpty())
                << w->metaObject()->className() << " " << qPrintable(w->objectName());
        }
    }
}

TEST_F(SettingsViewTest, BlockedAppsShowTheirNamesAndNewOnesCompleteFromRunningApps) {
    store.setBlocklist({"org.xfce.mousepad", "1password", "c.three", "d.four", "e.five", "f.six"});
    auto view = makeView();
    view->showPage(SettingsView::Page::blocked);
    view->setApplicationDirectory(SettingsView::ApplicationDirectory{
        [](const QString& id) -> std::optional<QString> {
            if (id == "org.xfce.mousepad")
                return QStringLiteral("Mousepad");
            return std::nullopt;
        },
        [] {
            return QList<RunningApplication>{
                {10, QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor")},
                {11, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")},
                {12, QStringLiteral("kwrite"), std::nullopt}};
        }});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList names, ids;
    for (QLabel* l : view->findChildren<QLabel*>(QStringLiteral("blockedAppName")))
        names << l->text();
    for (QLabel* l : view->findChildren<QLabel*>(QStringLiteral("blockedAppId")))
        ids << l->text();
    EXPECT_THAT(names, ElementsAre("Mousepad")) << "an unknown application shows its identifier alone";
    EXPECT_THAT(ids, ElementsAre("org.xfce.mousepad", "1password", "c.three", "d.four", "e.five", "f.six"));
    // Every entry is a whole row of the form, none cut off.
    auto* list = child<QWidget>(view.get(), "blockList");
    QCoreApplication::processEvents();  // the rows are laid out,
    QCoreApplication::processEvents();  // then the list grows to hold them
    for (QToolButton* button : removeButtons(*view)) {
        const QRect inList(button->mapTo(list, QPoint(0, 0)), button->size());
        EXPECT_TRUE(list->rect().contains(inList)) << button->accessibleName().toStdString() << " is cut off";
    }

    auto* field = child<QLineEdit>(view.get(), "newBlockedAppField");
    QCompleter* completer = field->completer();
    ASSERT_NE(completer, nullptr);
    field->setFocus();
    QFocusEvent focusIn(QEvent::FocusIn);
    QApplication::sendEvent(field, &focusIn);
    QStringList offered;
    for (int i = 0; i < completer->model()->rowCount(); ++i)
        offered << completer->model()->index(i, 0).data().toString();
    EXPECT_THAT(offered, ElementsAre("kwrite", "Text Editor — org.gnome.TextEditor"))
        << "what is blocked already is not offered";

    // Typing part of the name finds it; choosing it fills in the identifier.
    completer->setCompletionPrefix(QStringLiteral("text ed"));
    ASSERT_EQ(completer->completionCount(), 1);
    EXPECT_EQ(completer->pathFromIndex(completer->currentIndex()), "org.gnome.TextEditor");
}

TEST_F(SettingsViewTest, ActionsAreAddedEditedMovedAndRemovedWithRefusalsSaid) {
    auto view = makeView();
    view->showPage(SettingsView::Page::actions);
    ActionsSection& actions = *view->actionsSection();
    auto rows = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList names;
        for (QLabel* label : actions.findChildren<QLabel*>(QStringLiteral("actionName")))
            names << label->text();
        return names;
    };
    auto fill = [&](const QString& name, const QString& instruction) {
        typeInto(actions.nameField(), name);
        actions.instructionField()->setPlainText(instruction);
        QTest::mouseClick(actions.saveButton(), Qt::LeftButton);
    };

    fill(QStringLiteral("Friendlier"), QStringLiteral("Make it friendlier."));
    fill(QStringLiteral("To English"), QStringLiteral("Translate to English."));
    EXPECT_EQ(store.customActions(), (QList<CustomAction>{{"Friendlier", "Make it friendlier."},
                                                          {"To English", "Translate to English."}}));
    EXPECT_EQ(rows(), QStringList({"Friendlier", "To English"}));
    EXPECT_TRUE(actions.nameField()->text().isEmpty()) << "the form empties for the next one";

    // Refused: said under the form, nothing stored, what was typed kept to be mended.
    fill(QStringLiteral("friendlier"), QStringLiteral("Again."));
    EXPECT_TRUE(actions.errorLabel()->isVisibleTo(view.get()));
    EXPECT_EQ(actions.errorLabel()->text(), "An action with this name already exists.");
    EXPECT_EQ(actions.nameField()->text(), "friendlier");
    EXPECT_EQ(store.customActions().size(), 2);

    // Editing keeps the action's place; the form says Save, and Cancel leaves it as it was.
    actions.edit(1);
    EXPECT_EQ(actions.saveButton()->text(), "Save");
    fill(QStringLiteral("In English"), QStringLiteral("Translate the text to English."));
    EXPECT_EQ(store.customActions()[1], (CustomAction{"In English", "Translate the text to English."}));
    EXPECT_EQ(actions.saveButton()->text(), "Add");
    actions.edit(0);
    actions.cancelEdit();
    EXPECT_EQ(store.customActions()[0].name, "Friendlier");

    // The arrows reorder.
    auto* down = actions.findChildren<QToolButton*>().at(1);
    ASSERT_EQ(down->arrowType(), Qt::DownArrow);
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"In English", "Friendlier"}));
    EXPECT_EQ(store.customActions().first().name, "In English");

    QTest::mouseClick(actions.findChildren<QToolButton*>(QStringLiteral("removeAction")).first(),
                      Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"Friendlier"}));
    EXPECT_EQ(store.customActions().size(), 1);

    // Markup in a name or an instruction is shown as its characters, in the row and its tooltip.
    const QString markup = QStringLiteral("<img src='/etc/x.png'><b>Bold</b>");
    fill(markup, markup);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QLabel* row = actions.findChildren<QLabel*>(QStringLiteral("actionName")).last();
    EXPECT_EQ(row->textFormat(), Qt::PlainText);
    QTextDocument tip;
    tip.setHtml(row->toolTip());
    EXPECT_EQ(tip.toPlainText(), markup);
}

}  // namespace
