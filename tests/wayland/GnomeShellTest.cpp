// The real program in a headless GNOME Shell session with its shell extension, as a person uses it
// there: editors started after Quillet (gedit, gnome-text-editor, a Qt 6 field), the icon at the
// field's corner, a click on it, the panel beside it, Return, Undo in the desktop's notification;
// the paste into a field that ignores accessibility writes, with the user's clipboard back; the
// shortcut; a foreign program refused, and one running Quillet's executable given nothing. Without the
// extension: today's behaviour, and the hint. The shell is asked what a person sees through
// tests/session/quillet-probe@lumenfold.com.
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>

#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString shellService = QStringLiteral("org.gnome.Shell");

/// Runs `code` in the shell (see the probe extension); its value, or null on any failure.
QJsonValue shell(const QString& code, int timeoutMs = 10000) {
    QDBusMessage call = QDBusMessage::createMethodCall(shellService, "/com/lumenfold/quillet/Probe",
                                                       "com.lumenfold.quillet.Probe", "Eval");
    call << code;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return QJsonValue();
    return QJsonDocument::fromJson("[" + reply.arguments().value(0).toString().toUtf8() + "]").array().at(0);
}

QRectF rectOf(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    return QRectF(a.at(0).toDouble(), a.at(1).toDouble(), a.at(2).toDouble(), a.at(3).toDouble());
}

/// Where the shell shows Quillet's icon, and its state; empty while it shows none.
std::optional<QRectF> iconShown(QString* state = nullptr) {
    const QJsonValue v = shell(
        "Main.layoutManager.uiGroup.get_children().filter(a => a.visible && "
        "(a.style_class || '').split(' ').includes('quillet-icon')).map(a => [a.x, a.y, a.width, a.height, "
        "a.style_class])[0] ?? null");
    if (!v.isArray())
        return std::nullopt;
    if (state)
        *state = v.toArray().at(4).toString().section('-', -1);
    return rectOf(v);
}

/// The window of process `pid` titled `title`, as the shell has it.
std::optional<QJsonObject> window(qint64 pid, const QString& title) {
    for (const QJsonValue& w : shell("probe.windows()").toArray()) {
        const QJsonObject o = w.toObject();
        if (o["pid"].toInteger() == pid && o["title"].toString() == title)
            return o;
    }
    return std::nullopt;
}

bool key(const QString& combo) {
    return runProgram("/usr/bin/python3", {sourcePath("tests/session/wayland-keys.py"), "key", combo}) == 0;
}

bool click(const QPointF& at) {
    return shell(QStringLiteral("probe.click(%1, %2)").arg(at.x()).arg(at.y())).toBool();
}

QString clipboardText() {
    return shell(
               "new Promise(r => St.Clipboard.get_default().get_text(St.ClipboardType.CLIPBOARD, "
               "(c, t) => r(t)))")
        .toString();
}

void setClipboardText(const QString& text) {
    shell(QStringLiteral("St.Clipboard.get_default().set_text(St.ClipboardType.CLIPBOARD, %1)")
              .arg(QString::fromUtf8(
                  QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).mid(1).chopped(1))));
}

/// Which of the compositor's rectangles a toolkit's window coordinates count from, as screenshots
/// showed for each: GTK 3 the buffer (its shadows included), GTK 4 the frame, and Qt 6, which draws
/// its own title bar inside the frame, the frame less even side and bottom borders and the bar.
enum class Origin { buffer, frame, insideQtsTitleBar };

/// Where the focused field of `pid` truly lies on screen, from the toolkit's own answers and the
/// window's rectangles in the shell.
std::optional<QRectF> trueFieldFrame(qint64 pid, Origin origin) {
    const QJsonObject answers = QJsonDocument::fromJson(readAccessible(pid, {"--frames"}).toUtf8()).object();
    std::optional<QJsonObject> win;
    for (const QJsonValue& w : shell("probe.windows()").toArray())
        if (w.toObject()["pid"].toInteger() == pid && w.toObject()["focus"].toBool())
            win = w.toObject();
    if (answers.isEmpty() || !win)
        return std::nullopt;
    const QRectF frame = rectOf((*win)["frame"]), buffer = rectOf((*win)["buffer"]);
    const QSizeF top(answers["top"].toArray().at(0).toDouble(), answers["top"].toArray().at(1).toDouble());
    QPointF at = origin == Origin::buffer ? buffer.topLeft() : frame.topLeft();
    if (origin == Origin::insideQtsTitleBar) {
        const double side = (frame.width() - top.width()) / 2;
        at += QPointF(side, frame.height() - top.height() - side);
    }
    return rectOf(answers["field"]).translated(at);
}

/// How many of 64 samples along `r`'s edges show a step of colour across the edge, of those on the
/// picture: a field's true rectangle has its edges there, a misplaced one almost none.
double edgeShare(const QImage& shot, const QRect& r) {
    int onPicture = 0, steps = 0;
    const auto differ = [&](QPoint a, QPoint b) {
        if (!shot.rect().contains(a) || !shot.rect().contains(b))
            return;
        ++onPicture;
        const QColor p = shot.pixelColor(a), q = shot.pixelColor(b);
        steps += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                           std::abs(p.blue() - q.blue())}) > 12;
    };
    for (int i = 1; i <= 16; ++i) {
        const int y = r.y() + r.height() * i / 17, x = r.x() + r.width() * i / 17;
        differ({r.x() - 1, y}, {r.x(), y});
        differ({r.x() + r.width() - 1, y}, {r.x() + r.width(), y});
        differ({x, r.y() - 1}, {x, r.y()});
        differ({x, r.y() + r.height() - 1}, {x, r.y() + r.height()});
    }
    return onPicture ? double(steps) / onPicture : 0;
}

class GnomeShellTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(quillet.ready());
        // Started first, as at login; with no tray it shows its settings, which the editor then covers.
        ASSERT_TRUE(quillet.start());
        ASSERT_TRUE(waitUntil([&] { return busOwner() == quillet.pid(); }, 15000));
        ASSERT_TRUE(waitUntil([&] { return quillet.shows("Global shortcut"); }, 15000));
    }

    void TearDown() override {
        EXPECT_EQ(quillet.process.readAllStandardError().toStdString(), "") << "nothing in the logs";
        stopEditor();
        quillet.kill();
        waitUntil([] { return busOwner() == 0; }, 5000);
    }

    void startEditor(const QString& program, const QStringList& args) {
        editor.start(program, args);
        ASSERT_TRUE(editor.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return editorText() == kMistaken; }, 20000))
            << "the editor shows its text: " << editorText().toStdString();
    }
    void stopEditor() {
        if (editor.state() == QProcess::NotRunning)
            return;
        editor.kill();
        editor.waitForFinished();
    }
    QString note() {
        QFile file(dir.filePath("note.txt"));
        file.open(QIODevice::WriteOnly);
        file.write(kMistaken.toUtf8());
        return file.fileName();
    }
    QString editorText() { return fieldText(editor.processId()).value_or(QStringLiteral("<no field>")); }

    /// The icon at the field's corner: 8 points in from its right and bottom edges, as on X11.
    void expectIconAtTheFieldsCorner(const char* what, Origin origin) {
        std::optional<QRectF> icon;
        ASSERT_TRUE(waitUntil([&] { return (icon = iconShown()).has_value(); }, 10000))
            << what << ": no icon; a fresh look says:\n"
            << selfCheck();
        const std::optional<QRectF> field = trueFieldFrame(editor.processId(), origin);
        ASSERT_TRUE(field) << what;
        EXPECT_NEAR(icon->x(), field->right() - 32, 2) << what;
        EXPECT_NEAR(icon->y(), field->bottom() - 32, 2) << what;
        EXPECT_EQ(icon->size(), QSizeF(24, 24)) << what;
    }

    /// A click on the icon opens the panel beside it; Return writes, Undo in the notice restores.
    void clickReturnUndo(const char* what) {
        const std::optional<QRectF> icon = iconShown();
        ASSERT_TRUE(icon) << what;
        ASSERT_TRUE(click(icon->center()));
        ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << what << ": the panel";

        std::optional<QJsonObject> panel;
        ASSERT_TRUE(waitUntil([&] { return (panel = window(quillet.pid(), "Quillet")).has_value(); }, 5000))
            << what << ": the panel's window; windows "
            << QJsonDocument(shell("probe.windows()").toArray()).toJson(QJsonDocument::Compact).toStdString();
        // Right edges aligned, 6 points below the icon, or above it when below does not fit.
        const QRectF at = rectOf((*panel)["frame"]);
        EXPECT_TRUE(waitUntil(
            [&] {
                const QRectF now = rectOf((*window(quillet.pid(), "Quillet"))["frame"]);
                return std::abs(now.right() - icon->right()) <= 2 &&
                       (std::abs(now.top() - icon->bottom() - 6) <= 2 ||
                        std::abs(icon->top() - now.bottom() - 6) <= 2);
            },
            3000))
            << what << ": panel at " << at.x() << "," << at.y() << ", icon at " << icon->x() << ","
            << icon->y() << "; windows "
            << QJsonDocument(shell("probe.windows()").toArray()).toJson(QJsonDocument::Compact).toStdString();
        EXPECT_TRUE((*panel)["focus"].toBool() ||
                    waitUntil([&] { return (*window(quillet.pid(), "Quillet"))["focus"].toBool(); }))
            << what << ": the panel has the keyboard";
        ASSERT_TRUE(key("Return"));
        EXPECT_TRUE(waitUntil([&] { return editorText() == kMistakeFixed; }, 10000))
            << what << ": field reads " << editorText().toStdString();
        EXPECT_TRUE(
            waitUntil([] { return shell("probe.pressNotification('Replaced', 'Undo')").toBool(); }, 5000))
            << what << ": the notice with Undo";
        EXPECT_TRUE(waitUntil([&] { return editorText() == kMistaken; }, 10000))
            << what << ": field reads " << editorText().toStdString();
    }

    QuilletUnderTest quillet;
    QTemporaryDir dir;
    QProcess editor;
};

TEST_F(GnomeShellTest, TheIconSitsAtTheFieldAndTheCorrectionWorksInEveryToolkit) {
    startEditor("gedit", {"--standalone", note()});
    expectIconAtTheFieldsCorner("gedit", Origin::buffer);
    // What the screen shows: the field's edges where the rule puts them, the icon drawn there.
    const QString shot = dir.filePath("shot.png");
    ASSERT_TRUE(shell(QStringLiteral("probe.screenshot('%1')").arg(shot)).toBool());
    const QImage picture(shot);
    const QRect field = trueFieldFrame(editor.processId(), Origin::buffer).value_or(QRectF()).toRect();
    EXPECT_GE(edgeShare(picture, field), 0.75) << "the field's edges";
    EXPECT_LT(edgeShare(picture, field.translated(26, 23)), 0.5) << "and not where a wrong origin puts them";
    const QRect icon = iconShown().value_or(QRectF()).toRect();
    EXPECT_EQ(picture.pixelColor(icon.x() + 1, icon.center().y()).name(), "#1f91a3") << "the ready ring";
    clickReturnUndo("gedit");
    stopEditor();

    startEditor("gnome-text-editor", {"--standalone", note()});
    expectIconAtTheFieldsCorner("gnome-text-editor", Origin::frame);
    clickReturnUndo("gnome-text-editor");
    stopEditor();

    startEditor(qEnvironmentVariable("QUILLET_TEXT_FIELD"), {kMistaken});
    expectIconAtTheFieldsCorner("Qt 6", Origin::insideQtsTitleBar);
    clickReturnUndo("Qt 6");
}

TEST_F(GnomeShellTest, AFieldThatIgnoresWritesGetsThePasteAndTheClipboardComesBack) {
    QFile in(dir.filePath("in.txt"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(kMistaken.toUtf8());
    in.close();
    startEditor(testEditorBinary(), {"--title", "Ignores writes", "--text-file", in.fileName(), "--mirror",
                                     dir.filePath("out.txt"), "--ignore-accessible-writes"});
    setClipboardText("the user's own clipboard");
    // It opens with the keyboard on a button above the text.
    ASSERT_TRUE(key("tab"));
    ASSERT_TRUE(waitUntil([] { return iconShown().has_value(); }, 10000)) << "the icon at the text";
    ASSERT_TRUE(click(iconShown()->center()));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(waitUntil([&] { return editorText() == kMistakeFixed; }, 10000))
        << "field reads " << editorText().toStdString();
    EXPECT_TRUE(waitUntil(
        [] { return shell("probe.notifications().some(n => n.title === 'Replaced')").toBool(); }, 5000))
        << "the notice of a replacement, not \"press Ctrl+V\"";
    EXPECT_FALSE(shell("probe.notifications().some(n => n.title.startsWith('Copied'))").toBool());
    EXPECT_TRUE(waitUntil([] { return clipboardText() == "the user's own clipboard"; }, 5000))
        << "clipboard: " << clipboardText().toStdString();

    // The shortcut, from the shell, with the same field in front.
    ASSERT_TRUE(key("super+shift+g"));
    EXPECT_TRUE(waitUntil([&] { return window(quillet.pid(), "Quillet").has_value(); }, 10000))
        << "the shortcut opens the panel";
}

TEST_F(GnomeShellTest, AProgramOtherThanQuilletIsRefused) {
    setClipboardText("kept");
    for (const auto& [method, args] :
         {std::pair<QString, QList<QVariant>>{"PressKeys", {QString("paste"), 1u}},
          {"FocusedWindow", {}},
          {"HideIcon", {}},
          {"Hello", {true}}}) {
        QDBusMessage call = QDBusMessage::createMethodCall(shellService, "/com/lumenfold/quillet/Shell",
                                                           "com.lumenfold.quillet.Shell", method);
        call.setArguments(args);
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
        EXPECT_EQ(reply.errorName(), "com.lumenfold.quillet.Shell.Error.AccessDenied")
            << method.toStdString();
    }
    qDBusRegisterMetaType<QMap<QString, QByteArray>>();
    QDBusMessage set = QDBusMessage::createMethodCall(shellService, "/com/lumenfold/quillet/Shell",
                                                      "com.lumenfold.quillet.Shell", "SetClipboard");
    set.setArguments({QVariant::fromValue(QMap<QString, QByteArray>{{"text/plain", "stolen"}})});
    EXPECT_EQ(QDBusConnection::sessionBus().call(set, QDBus::Block, 5000).errorName(),
              "com.lumenfold.quillet.Shell.Error.AccessDenied");
    EXPECT_EQ(clipboardText(), "kept");
    // Quillet itself is still served.
    startEditor("gedit", {"--standalone", note()});
    EXPECT_TRUE(waitUntil([] { return iconShown().has_value(); }, 10000));
}

/// Quillet's program with a library loaded into it that calls the extension before the program's
/// own start (tests/wayland/Impostor.cpp): each call's answer, "ok" or the error's name.
QMap<QString, QStringList> impostorsAnswers(const QTemporaryDir& dir, qint64 editorPid) {
    QProcess impostor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", qEnvironmentVariable("QUILLET_IMPOSTOR"));
    env.insert("QUILLET_IMPOSTOR_OUT", dir.filePath("impostor.txt"));
    env.insert("QUILLET_IMPOSTOR_PID", QString::number(editorPid));
    impostor.setProcessEnvironment(env);
    impostor.start(quilletBinary(), {});
    if (!impostor.waitForFinished(30000) || impostor.exitCode() != 0)
        return {};
    QFile answers(dir.filePath("impostor.txt"));
    answers.open(QIODevice::ReadOnly);
    QMap<QString, QStringList> byMethod;
    for (const QByteArray& line : answers.readAll().split('\n'))
        if (!line.isEmpty())
            byMethod[QString::fromUtf8(line.split(' ').value(0))]
                << QString::fromUtf8(line.split(' ').value(1));
    return byMethod;
}

/// The extension's own state: `code` with `bridge` as its Bridge.
QJsonValue bridge(const QString& code) {
    return shell("(bridge => " + code +
                 ")(Main.extensionManager.lookup('quillet@lumenfold.com').stateObj._bridge)");
}

// A program that runs Quillet's executable with something of its own loaded into it, outside a
// correction and inside one, and the client itself between the user's gestures: the text, the
// clipboard and the keys are only ever lent for the correction the user asked for.
TEST_F(GnomeShellTest, TextAndKeysAreLentOnlyToTheClientForTheCorrectionTheUserAskedFor) {
    QFile in(dir.filePath("in.txt"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(kMistaken.toUtf8());
    in.close();
    startEditor(testEditorBinary(), {"--title", "Ignores writes", "--text-file", in.fileName(), "--mirror",
                                     dir.filePath("out.txt"), "--ignore-accessible-writes"});
    setClipboardText("the user's own clipboard");
    ASSERT_TRUE(key("tab"));
    ASSERT_TRUE(waitUntil([] { return iconShown().has_value(); }, 10000)) << "the icon at the text";
    const QString denied = "com.lumenfold.quillet.Shell.Error.AccessDenied";
    const auto expectRefused = [&](const char* when) {
        const QMap<QString, QStringList> answers = impostorsAnswers(dir, editor.processId());
        EXPECT_EQ(answers.value("Hello"), QStringList({"ok", denied}))
            << when << ": greeted as Quillet's program, refused as the client while Quillet runs";
        for (const QString method : {"GetClipboard", "SetClipboard", "GetSelectionText", "PressKeys",
                                     "ActivateProcess", "RenewGrant", "EndGrant", "FocusedWindow"})
            EXPECT_EQ(answers.value(method), QStringList{denied}) << when << ": " << method.toStdString();
        EXPECT_EQ(clipboardText(), "the user's own clipboard") << when;
        EXPECT_EQ(editorText(), kMistaken) << when;
    };
    EXPECT_FALSE(bridge("bridge._granted()").toBool());
    expectRefused("outside a correction");
    EXPECT_EQ(bridge("bridge._refusal('GetClipboard', [], bridge._client)").toString(),
              "Not without the user")
        << "nor does the client read the clipboard between corrections";

    // The shortcut opens a grant for the field's window; the client's icon and keys stay its own.
    ASSERT_TRUE(key("super+shift+g"));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
    EXPECT_EQ(bridge("bridge._grant?.window.get_pid()").toInteger(), editor.processId());
    expectRefused("inside the client's grant");
    EXPECT_TRUE(bridge("bridge._granted()").toBool()) << "the impostor ended nothing";

    // A press in Quillet's own window is what renews a grant: the window manager stamps the window
    // with the time of the press, which the client cannot set itself.
    ASSERT_TRUE(waitUntil(
        [&] { return window(quillet.pid(), "Quillet").value_or(QJsonObject())["focus"].toBool(); }));
    EXPECT_FALSE(bridge("bridge._pressedInClient()").toBool()) << "no press in Quillet yet";
    ASSERT_TRUE(key("shift"));
    EXPECT_TRUE(bridge("bridge._pressedInClient()").toBool()) << "a key pressed in the panel";

    // Return in the panel renews the grant; the paste and the clipboard's restore end it.
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(waitUntil([&] { return editorText() == kMistakeFixed; }, 10000))
        << "field reads " << editorText().toStdString();
    EXPECT_TRUE(waitUntil([] { return clipboardText() == "the user's own clipboard"; }, 5000))
        << "clipboard: " << clipboardText().toStdString();
    EXPECT_TRUE(waitUntil([] { return !bridge("bridge._granted()").toBool(); }, 5000)) << "ended by Quillet";
    EXPECT_EQ(bridge("bridge._refusal('GetClipboard', [], bridge._client)").toString(),
              "Not without the user");

    // Undo in the desktop's notification lends the same window again, for the undo alone.
    EXPECT_TRUE(
        waitUntil([] { return shell("probe.pressNotification('Replaced', 'Undo')").toBool(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return editorText() == kMistaken; }, 10000))
        << "field reads " << editorText().toStdString();
    EXPECT_TRUE(waitUntil([] { return !bridge("bridge._granted()").toBool(); }, 5000));
    EXPECT_TRUE(waitUntil([] { return clipboardText() == "the user's own clipboard"; }, 5000));
}

// A session whose shell has no Quillet extension: the trigger as before, and the hint.
TEST_F(GnomeShellTest, WithoutTheExtensionTheTriggerWorksAndTheHintSaysHowToTurnItOn) {
    startEditor("gedit", {"--standalone", note()});
    QString report;
    runProgram(quilletBinary(), {"--doctor"}, &report);
    EXPECT_THAT(report.toStdString(), testing::HasSubstr("  ✗ GNOME Shell extension: It is not installed."));
    EXPECT_THAT(report.toStdString(), testing::HasSubstr("gnome-extensions enable quillet@lumenfold.com"));
    EXPECT_TRUE(quillet.shows("gnome-extensions enable quillet@lumenfold.com")) << "the settings say so";
    EXPECT_TRUE(holdsFor([] { return !iconShown(); }, 1500)) << "no icon";
    EXPECT_EQ(runProgram(quilletBinary(), {"--trigger"}), 0);
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(waitUntil([&] { return editorText() == kMistakeFixed; }, 10000))
        << "field reads " << editorText().toStdString();
}

// Not a check: the figures `tools/gnome-latency.sh` reports. Ten times each: from a click into a
// field to the icon drawn at it (timed in the shell), and from Return in the panel to the text in a
// field that takes it only through the paste (as the editor writes it out).
TEST_F(GnomeShellTest, MeasureLatency) {
    QFile in(dir.filePath("in.txt"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(kMistaken.toUtf8());
    in.close();
    startEditor(testEditorBinary(), {"--title", "Ignores writes", "--text-file", in.fileName(), "--mirror",
                                     dir.filePath("out.txt"), "--ignore-accessible-writes"});
    ASSERT_TRUE(key("tab"));
    ASSERT_TRUE(waitUntil([] { return iconShown().has_value(); }, 10000));
    const QRectF text = trueFieldFrame(editor.processId(), Origin::insideQtsTitleBar).value_or(QRectF());
    for (int run = 0; run < 10; ++run) {
        ASSERT_TRUE(key("shift+tab"));
        ASSERT_TRUE(waitUntil([] { return !iconShown(); }, 5000));
        // Timed inside the shell: the click, then each frame until the icon is on it.
        const QJsonValue ms =
            shell(QStringLiteral("probe.timeUntil(() => probe.click(%1, %2), () => "
                                 "Main.layoutManager.uiGroup.get_children().some(a => "
                                 "a.visible && (a.style_class || '').includes('quillet-icon')))")
                      .arg(text.center().x())
                      .arg(text.center().y()));
        std::printf("icon-after-click-ms %.1f\n", ms.toDouble());

        ASSERT_TRUE(click(iconShown()->center()));
        ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000));
        // The editor writes its text to the mirror file at each change: read without a round trip.
        const auto fieldHolds = [&](const QString& text) {
            QFile mirror(dir.filePath("out.txt"));
            return mirror.open(QIODevice::ReadOnly) && QString::fromUtf8(mirror.readAll()) == text;
        };
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(shell("probe.key(28)").toBool()) << "Return";
        while (!fieldHolds(kMistakeFixed) && clock.elapsed() < 10000)
            settle(2);
        std::printf("paste-read-back-ms %lld\n", static_cast<long long>(clock.elapsed()));
        ASSERT_TRUE(waitUntil([&] { return editorText() == kMistakeFixed; }, 10000));
        std::fflush(stdout);
        // Back to the mistaken text for the next run, the way a person would.
        ASSERT_TRUE(key("ctrl+z"));
        ASSERT_TRUE(waitUntil([&] { return editorText() == kMistaken; }, 5000));
    }
}

}  // namespace
