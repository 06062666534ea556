// The real program in a headless Wayland session (mutter or KWin, from QUILLET_COMPOSITOR), as a
// person uses it there: the editor started after Quillet, the trigger (`quillet --trigger` as
// GNOME's custom shortcut runs it, or KDE's shortcut service), Return in the panel, Undo in the
// desktop's notification; and a field that takes no write, whose text is left on the clipboard
// while the keyboard stays with the field.
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

bool onKWin() {
    return qEnvironmentVariable("QUILLET_COMPOSITOR") == QLatin1String("kwin");
}

/// The text of the editor's field as AT-SPI reads it.
QString editorText(const QProcess& editor) {
    return fieldText(editor.processId()).value_or(QStringLiteral("<no field>"));
}

/// The desktop's notification service as GNOME Shell and Plasma offer it: keeps each notice, and
/// presses a notice's button as a person would.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        uint id = 0;
        QString summary;
        QStringList actions;
    };
    QList<Notice> shown;

    bool start() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~NotificationService() override {
        QDBusConnection::sessionBus().unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::sessionBus().unregisterObject(kPath);
    }
    bool showing(const QString& summary) const { return !shown.isEmpty() && shown.last().summary == summary; }
    void invoke(const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            kPath, QStringLiteral("org.freedesktop.Notifications"), "ActionInvoked");
        signal << shown.last().id << action;
        QDBusConnection::sessionBus().send(signal);
    }

public Q_SLOTS:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString&,
                const QStringList& actions, const QVariantMap&, int) {
        shown << Notice{replaces ? replaces : uint(shown.size() + 1), summary, actions};
        return shown.last().id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions")}; }
    void CloseNotification(uint) {}

private:
    static inline const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
};

class WaylandCorrectionTest : public testing::Test {
protected:
    void SetUp() override {
        qDBusRegisterMetaType<QList<int>>();
        ASSERT_TRUE(notifications.start());
        ASSERT_TRUE(quillet.ready());
        // Started first, as at login; with no tray it shows its settings, which the editor then covers.
        ASSERT_TRUE(quillet.start());
        ASSERT_TRUE(waitUntil([&] { return busOwner() == quillet.pid(); }, 15000));
        ASSERT_TRUE(waitUntil([&] { return quillet.shows("Global shortcut"); }, 15000));
    }

    void TearDown() override {
        EXPECT_EQ(quillet.process.readAllStandardError().toStdString(), "") << "nothing in the logs";
        if (editor.state() != QProcess::NotRunning) {
            editor.kill();
            editor.waitForFinished();
        }
        quillet.kill();
        waitUntil([] { return busOwner() == 0; }, 5000);
    }

    void startEditor(const QString& program, const QStringList& args) {
        editor.start(program, args);
        ASSERT_TRUE(editor.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return editorText(editor) == kMistaken; }, 20000))
            << "the editor shows its text: " << editorText(editor).toStdString();
    }
    void startGedit() {
        QFile file(dir.filePath("note.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kMistaken.toUtf8());
        file.close();
        startEditor("gedit", {"--standalone", file.fileName()});
    }

    /// What the shortcut does: KDE's service presses it; on GNOME the desktop runs the command.
    void trigger() {
        if (onKWin()) {
            QDBusMessage message =
                QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/component/quillet",
                                               "org.kde.kglobalaccel.Component", "invokeShortcut");
            message.setArguments({QStringLiteral("trigger")});
            const QDBusMessage reply = QDBusConnection::sessionBus().call(message);
            EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        } else {
            EXPECT_EQ(runProgram(quilletBinary(), {"--trigger"}), 0);
        }
    }
    static bool key(const QString& combo) {
        return runProgram("/usr/bin/python3", {sourcePath("tests/session/wayland-keys.py"), "key", combo}) ==
               0;
    }

    /// Trigger, Return, Undo: the field is corrected, read back, and restored.
    void correctAndUndo() {
        trigger();
        ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
        ASSERT_TRUE(key("Return"));
        EXPECT_TRUE(waitUntil([&] { return editorText(editor) == kMistakeFixed; }, 10000))
            << "field reads " << editorText(editor).toStdString();
        ASSERT_TRUE(waitUntil([&] { return notifications.showing("Replaced"); }, 5000)) << "the notice";
        EXPECT_EQ(notifications.shown.last().actions, (QStringList{"undo", "Undo"}));
        notifications.invoke("undo");
        EXPECT_TRUE(waitUntil([&] { return editorText(editor) == kMistaken; }, 10000))
            << "field reads " << editorText(editor).toStdString();
    }

    NotificationService notifications;
    QuilletUnderTest quillet;
    QTemporaryDir dir;
    QProcess editor;
};

TEST_F(WaylandCorrectionTest, Gtk3FieldIsCorrectedThroughTheTriggerAndUndone) {
    startGedit();
    correctAndUndo();
}

TEST_F(WaylandCorrectionTest, Qt6FieldIsCorrectedThroughTheTriggerAndUndone) {
    startEditor(qEnvironmentVariable("QUILLET_TEXT_FIELD"), {kMistaken});
    correctAndUndo();
}

TEST_F(WaylandCorrectionTest, AFieldThatIgnoresWritesGetsTheTextOnTheClipboard) {
    QFile in(dir.filePath("in.txt"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(kMistaken.toUtf8());
    in.close();
    startEditor(testEditorBinary(), {"--title", "Ignores writes", "--text-file", in.fileName(), "--mirror",
                                     dir.filePath("out.txt"), "--ignore-accessible-writes"});
    // It opens with the keyboard on a button above the text.
    ASSERT_TRUE(key("tab"));
    trigger();
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(waitUntil([&] { return notifications.showing("Copied — press Ctrl+V"); }, 10000));
    EXPECT_TRUE(notifications.shown.last().actions.isEmpty()) << "nothing in the field to undo";
    EXPECT_EQ(editorText(editor), kMistaken);
    QString pasted;
    EXPECT_TRUE(waitUntil(
        [&] {
            runProgram("wl-paste", {"--no-newline"}, &pasted);
            return pasted == kMistakeFixed;
        },
        5000))
        << "clipboard: " << pasted.toStdString();
    // The person pastes it themselves.
    ASSERT_TRUE(key("ctrl+a"));
    ASSERT_TRUE(key("ctrl+v"));
    EXPECT_TRUE(waitUntil([&] { return editorText(editor) == kMistakeFixed; }, 10000))
        << "field reads " << editorText(editor).toStdString();
}

TEST_F(WaylandCorrectionTest, TheSelfCheckNamesTheSessionAndTheShortcutIsKdesOwn) {
    startGedit();
    QString out;
    EXPECT_TRUE(waitUntil(
        [&] {
            runProgram(quilletBinary(), {"--doctor"}, &out);
            return out.contains("Focused element: AXTextArea in ");
        },
        10000))
        << out.toStdString();
    EXPECT_THAT(out.toStdString(), testing::HasSubstr("  • Session: Wayland\n"));

    if (!onKWin())
        return;
    // Super+Shift+G, registered with KDE's service, which lists it in the desktop's settings.
    QDBusMessage message = QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/kglobalaccel",
                                                          "org.kde.KGlobalAccel", "shortcut");
    message.setArguments({QStringList{"quillet", "trigger", "Quillet", "Correct"}});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(qdbus_cast<QList<int>>(reply.arguments().value(0)),
              QList<int>{QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_G).toCombined()});
}

}  // namespace

#include "WaylandCorrectionTest.moc"
