// The real program on a desktop without a tray, as people have it: one running copy that later
// starts talk to, its settings as the way in, a shortcut of the user's choosing, and blocking the
// application in front.
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <chrono>
#include <csignal>

#include "platform/linux/system/IniDefaults.h"
#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString kSettingsTitle = QStringLiteral("Quillet — Settings");

class RunningCopyTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(quillet.ready());
        ASSERT_EQ(busOwner(), 0) << "no copy left over from an earlier test";
    }

    void TearDown() override {
        stopProcess(editor);
        stopProcess(squatter);
        quillet.kill();
        waitUntil([] { return busOwner() == 0; }, 5000);
    }

    /// Starts the first copy and waits for it to be up: its name is on the bus and its settings
    /// window, opened because there is no tray, is on screen.
    void startQuillet() {
        ASSERT_TRUE(quillet.start());
        ASSERT_TRUE(waitUntil([&] { return busOwner() == quillet.pid(); }, 15000));
        ASSERT_FALSE(visibleWindow(kSettingsTitle, 15000).isEmpty()) << "no tray: the settings show";
    }
    /// Runs `quillet args` to its end, as a command typed in a terminal; returns its exit status.
    static int command(const QStringList& args, QString* out = nullptr, QString* err = nullptr,
                       const QString& program = quilletBinary()) {
        const int status = runProgram(program, args, out, err);
        for (QString* text : {out, err})
            if (text)
                *text = text->trimmed();
        return status;
    }
    /// Calls the running copy's `method` as any process of the user's can, with `args` in gdbus's
    /// notation; its exit status, and in `err` what it printed there.
    static int busCall(const QString& method, const QStringList& args, QString* err = nullptr) {
        return command(QStringList{"call", "--session", "--dest", "com.lumenfold.quillet", "--object-path",
                                   "/com/lumenfold/quillet", "--method", "com.lumenfold.quillet." + method} +
                           args,
                       nullptr, err, QStringLiteral("gdbus"));
    }
    /// A moment `ahead` from now on the machine's monotonic clock, as a start of Quillet tells it.
    static QString moment(std::chrono::milliseconds ahead = {}) {
        using namespace std::chrono;
        return "int64 " +
               QString::number(
                   (duration_cast<milliseconds>(steady_clock::now().time_since_epoch()) + ahead).count());
    }
    void startMousepad() { ASSERT_TRUE(test::startMousepad(editor, dir.filePath("note.txt"))); }
    void activateEditor() { ASSERT_TRUE(activateWindowOf(editor.processId())); }
    /// The settings shown at start closed, the editor in front again with the icon at its field.
    void backToTheEditor() {
        ASSERT_TRUE(closeStartupSettings());
        activateEditor();
        ASSERT_TRUE(waitUntil([&] { return iconShown(); }, 15000));
    }
    bool iconShown() { return surfaceShown(Surface::icon).has_value(); }
    /// Presses the shortcut recorder named `shown` and types `keys` into it, with its window in front
    /// as a person has it when they click there.
    void record(const QString& shown, const QString& keys) {
        xdotool({"windowactivate", "--sync", visibleWindow(kSettingsTitle)});
        ASSERT_TRUE(quillet.press(shown));
        ASSERT_TRUE(waitUntil([&] { return quillet.shows("Press a shortcut…"); }, 15000));
        xdotool({"key", keys});
    }
    QString storedPreference(const QString& key) {
        return QSettings(IniDefaults::defaultPath(), QSettings::IniFormat).value(key).toString();
    }

    QuilletUnderTest quillet;
    QTemporaryDir dir;
    QProcess editor;
    QProcess squatter;
};

}  // namespace

TEST_F(RunningCopyTest, ASecondStartLeavesOneCopyAndBringsBackItsSettings) {
    startQuillet();
    ASSERT_TRUE(closeStartupSettings());

    QString out, err;
    EXPECT_EQ(command({}, &out, &err), 0);
    EXPECT_EQ(out + err, "") << "a second start says nothing";
    EXPECT_FALSE(visibleWindow(kSettingsTitle).isEmpty()) << "the first copy's settings came back";
    EXPECT_EQ(quillet.process.state(), QProcess::Running);
    EXPECT_EQ(busOwner(), quillet.pid()) << "still the one copy";
}

TEST_F(RunningCopyTest, WithoutATrayTheSettingsHavePauseHistoryAndAWorkingQuit) {
    startQuillet();
    const QString widgets = readAccessible(quillet.pid());
    for (const char* shown : {"Quillet — active", "Pause", "History", "No corrections this session",
                              "Run setup again…", "Quit Quillet"})
        EXPECT_THAT(widgets.toStdString(), testing::HasSubstr(shown));
    EXPECT_TRUE(quillet.press("Quit Quillet"));
    QProcess& process = quillet.process;
    ASSERT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(busOwner(), 0) << "the name went with it";
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), "");
}

TEST_F(RunningCopyTest, QuitEndsTheRunningCopyAndReleasesTheName) {
    startQuillet();
    QString out, err;
    EXPECT_EQ(command({"--quit"}, &out, &err), 0);
    EXPECT_EQ(out + err, "");
    EXPECT_EQ(busOwner(), 0) << "released by the time --quit returns";
    ASSERT_TRUE(waitUntil([&] { return quillet.process.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(quillet.process.exitCode(), 0);
}

TEST_F(RunningCopyTest, TriggerOpensThePanelForTheFocusedFieldWithOrWithoutARunningCopy) {
    startMousepad();
    // No copy yet: --trigger becomes the running copy, which opens the panel and no settings window.
    ASSERT_TRUE(quillet.start({"--trigger"}));
    ASSERT_TRUE(waitUntil([&] { return busOwner() == quillet.pid(); }, 15000));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000))
        << "the correction of mousepad's text";
    EXPECT_TRUE(visibleWindow(kSettingsTitle, 0).isEmpty());
    xdotool({"key", "Escape"});
    EXPECT_EQ(command({"--quit"}), 0);

    // A running copy: --trigger reaches it.
    startQuillet();
    ASSERT_NO_FATAL_FAILURE(backToTheEditor());
    EXPECT_EQ(command({"--trigger"}), 0);
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000));
    EXPECT_EQ(LoopbackHttpServer::userText(quillet.server.requests().last().body), kMistaken);
    EXPECT_EQ(busOwner(), quillet.pid());
}

// The running copy is stopped (a debugger, a loaded machine, a suspended session): `--trigger` gives
// up and says so, the user moves on to another window holding private text, and when the copy wakes
// nothing is sent. A trigger made after that is carried out as usual.
TEST_F(RunningCopyTest, ATriggerReportedAsFailedIsNeverCarriedOutOnceTheCopyWakes) {
    startMousepad();
    startQuillet();
    ASSERT_NO_FATAL_FAILURE(backToTheEditor());

    ASSERT_EQ(::kill(pid_t(quillet.pid()), SIGSTOP), 0);
    QString err;
    EXPECT_EQ(command({"--trigger"}, nullptr, &err), 1);
    EXPECT_EQ(err, "quillet: the running copy does not answer");
    QFile secret(dir.filePath("private.txt"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("My private notes, never to be sent anywhere at all.");
    secret.close();
    DesktopApp other(testEditorBinary(), {"--title", "Private", "--text-file", secret.fileName()});
    ASSERT_FALSE(other.window().isEmpty());
    xdotool({"windowactivate", "--sync", other.window()});
    xdotool({"mousemove", "--window", other.window(), "320", "260", "click", "1"});
    ASSERT_EQ(::kill(pid_t(quillet.pid()), SIGCONT), 0);
    EXPECT_TRUE(holdsFor([&] { return quillet.chatRequests() == 0; }, 4000)) << "nothing is sent";

    // A fresh one is, once the editor has the keyboard again (pressed again, as a person would, when
    // the first press came before the desktop said so).
    activateEditor();
    ASSERT_TRUE(waitUntil(
        [&] {
            return command({"--trigger"}) == 0 && waitUntil([&] { return quillet.chatRequests() > 0; }, 5000);
        },
        30000))
        << "a fresh one is";
    EXPECT_EQ(LoopbackHttpServer::userText(quillet.server.requests().last().body), kMistaken);
}

TEST_F(RunningCopyTest, ANewShortcutWorksAtOnceAndSurvivesARestart) {
    startMousepad();
    startQuillet();
    // The recorder, as a person uses it: click it, press the new combination.
    record("Super+Shift+G", "ctrl+alt+k");
    ASSERT_TRUE(waitUntil([&] { return storedPreference("globalShortcut") == "Ctrl+Alt+K"; }, 15000));
    EXPECT_TRUE(quillet.shows("Ctrl+Alt+K"));

    ASSERT_NO_FATAL_FAILURE(backToTheEditor()) << "the field is known again";
    xdotool({"key", "ctrl+alt+k"});
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 15000)) << "the new one at once";
    xdotool({"key", "Escape"});

    // After a restart the preference is still there, and in force.
    EXPECT_EQ(command({"--quit"}), 0);
    startQuillet();
    EXPECT_TRUE(quillet.shows("Ctrl+Alt+K"));
    ASSERT_NO_FATAL_FAILURE(backToTheEditor());
    xdotool({"key", "ctrl+alt+k"});
    EXPECT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 15000));
}

TEST_F(RunningCopyTest, BlockingTheApplicationInFrontTakesItsIconAway) {
    startQuillet();
    ASSERT_TRUE(closeStartupSettings());
    startMousepad();
    ASSERT_TRUE(waitUntil([&] { return iconShown(); }, 15000));

    EXPECT_EQ(command({"--settings"}), 0);
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("Block Mousepad"); }, 5000))
        << readAccessible(quillet.pid()).toStdString();
    EXPECT_TRUE(quillet.press("Block Mousepad"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return IniDefaults()
                .stringList("blocklist")
                .value_or(QStringList())
                .contains("org.xfce.mousepad");
        },
        5000));
    EXPECT_TRUE(waitUntil([&] { return !iconShown(); }, 5000));
    EXPECT_TRUE(quillet.shows("Mousepad")) << "the list names it beside its identifier";

    // Back in it: whoever asks on the bus, nothing of it is read or sent.
    activateEditor();
    EXPECT_EQ(busCall("Trigger", {moment()}), 0);
    EXPECT_TRUE(holdsFor([&] { return quillet.chatRequests() == 0; }, 3000)) << "blocked: nothing sent";
    EXPECT_FALSE(iconShown()) << "blocked: no icon in its field any more";
}

// Any process of the user's can call the running copy: a moment from the future is refused, a
// trigger is taken once a second, and the object offers nothing but its three requests.
TEST_F(RunningCopyTest, TheRunningCopyTakesOneTriggerASecondAndNoneFromTheFuture) {
    startMousepad();
    startQuillet();
    ASSERT_NO_FATAL_FAILURE(backToTheEditor());

    QString err;
    EXPECT_NE(busCall("Trigger", {moment(std::chrono::minutes(10))}, &err), 0);
    EXPECT_THAT(err.toStdString(), testing::HasSubstr("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_TRUE(holdsFor([&] { return quillet.chatRequests() == 0; }, 2500))
        << "from the future: nothing sent";

    EXPECT_EQ(busCall("Trigger", {moment()}), 0);
    EXPECT_NE(busCall("Trigger", {moment()}, &err), 0);
    EXPECT_THAT(err.toStdString(), testing::HasSubstr("com.lumenfold.quillet.Error.Busy"));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the first one taken";

    QDBusMessage introspect =
        QDBusMessage::createMethodCall("com.lumenfold.quillet", "/com/lumenfold/quillet",
                                       "org.freedesktop.DBus.Introspectable", "Introspect");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(introspect);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    QXmlStreamReader xml(reply.arguments().value(0).toString());
    QStringList methods;
    QString interface;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            const auto attribute = [&](const char* name) { return xml.attributes().value(name).toString(); };
            if (xml.name() == QLatin1String("interface"))
                interface = attribute("name");
            else if (xml.name() == QLatin1String("method") && interface == "com.lumenfold.quillet")
                methods << attribute("name") + "(";
            else if (xml.name() == QLatin1String("arg") && interface == "com.lumenfold.quillet")
                methods.last() += attribute("direction") + " " + attribute("type");
        }
    methods.sort();
    EXPECT_EQ(methods, QStringList({"Quit(", "Quit(in x", "ShowSettings(", "ShowSettings(in x", "Trigger(",
                                    "Trigger(in x"}))
        << "only the three requests, each at most with the moment it was made";
}

// A program that took Quillet's name first: the start names it, ends with an error, and hands it
// nothing; the report says the same.
TEST_F(RunningCopyTest, AProgramHoldingQuilletsNameIsNamedAndHearsNothing) {
    squatter.start("/usr/bin/python3", {sourcePath("tests/support/hold_bus_name.py")});
    ASSERT_TRUE(waitUntil([&] { return busOwner() == squatter.processId(); }, 10000));
    const QString program =
        QFileInfo(QStringLiteral("/proc/%1/exe").arg(squatter.processId())).symLinkTarget();
    const QString held =
        QStringLiteral("another program holds Quillet's name on the session bus (pid %1, %2)")
            .arg(squatter.processId())
            .arg(program);
    for (const QStringList& args : {QStringList{"--trigger"}, QStringList{}}) {
        QString out, err;
        EXPECT_EQ(command(args, &out, &err), 1) << qPrintable(args.join(' '));
        EXPECT_EQ(err, "quillet: " + held + "; nothing was handed to it");
        EXPECT_EQ(out, "");
    }
    QString report;
    command({"--doctor"}, &report);
    EXPECT_THAT(report.toStdString(), testing::HasSubstr(("  ✗ Running copy: " + held).toStdString()));
    stopProcess(squatter);
    EXPECT_EQ(QString::fromUtf8(squatter.readAllStandardOutput()).trimmed(), "owned") << "it heard nothing";
}
