// Whom the GNOME Shell extension serves, in a headless GNOME Shell with the real program: not a foreign
// program, nor one once in Quillet's place, nor Quillet's executable with a library of its own loaded
// into it; the client itself only between the user's gesture and the end of its write; and no one at
// all from an install any program of the user could change.
#include "GnomeShellSession.h"

namespace {

// The same session; its own name, as each file has its own copy of the fixture.
class GnomeShellAccessTest : public GnomeShellTest {};

TEST_F(GnomeShellAccessTest, AProgramOtherThanQuilletIsRefused) {
    setClipboardText("kept");
    qDBusRegisterMetaType<QMap<QString, QByteArray>>();
    for (const auto& [method, args] :
         {std::pair<QString, QList<QVariant>>{"PressKeys", {QString("paste"), 1u}},
          {"FocusedWindow", {}},
          {"HideIcon", {}},
          {"Hello", {true}},
          {"SetClipboard", {QVariant::fromValue(QMap<QString, QByteArray>{{"text/plain", "stolen"}})}}}) {
        QDBusMessage call = QDBusMessage::createMethodCall(shellService, "/com/lumenfold/quillet/Shell",
                                                           "com.lumenfold.quillet.Shell", method);
        call.setArguments(args);
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
        EXPECT_EQ(reply.errorName(), "com.lumenfold.quillet.Shell.Error.AccessDenied")
            << method.toStdString();
    }
    EXPECT_EQ(clipboardText(), "kept");
    // Quillet itself is still served.
    startEditor("gedit", {"--standalone", mistakenFile()});
    EXPECT_TRUE(waitUntil([] { return iconShown().has_value(); }, 10000));
}

// A program put where Quillet's is (as any program of the user could, were that place the user's to
// write), started, then Quillet's file put back over it: the process runs a deleted file of that
// path, as Quillet does after an upgrade. It is not Quillet, and is refused.
TEST_F(GnomeShellAccessTest, AProgramOnceInQuilletsPlaceIsRefused) {
    const std::string program = quilletBinary().toStdString(), aside = program + ".aside";
    ASSERT_EQ(std::rename(program.c_str(), aside.c_str()), 0);
    QProcess impostor;
    if (QFile::copy("/usr/bin/python3", quilletBinary())) {
        impostor.start(quilletBinary(),
                       {"-c",
                        "import sys\n"
                        "from gi.repository import Gio, GLib\n"
                        "sys.stdin.readline()\n"
                        "bus = Gio.bus_get_sync(Gio.BusType.SESSION)\n"
                        "try:\n"
                        "    bus.call_sync('org.gnome.Shell', '/com/lumenfold/quillet/Shell',\n"
                        "        'com.lumenfold.quillet.Shell', 'Hello', GLib.Variant('(b)', (False,)),\n"
                        "        None, 0, 5000, None)\n"
                        "    print('served')\n"
                        "except GLib.Error as e:\n"
                        "    print(Gio.DBusError.get_remote_error(e))\n"});
        impostor.waitForStarted();
    }
    ASSERT_EQ(std::rename(aside.c_str(), program.c_str()), 0) << "Quillet's program is back";
    ASSERT_EQ(impostor.state(), QProcess::Running);
    EXPECT_EQ(
        std::filesystem::read_symlink(QStringLiteral("/proc/%1/exe").arg(impostor.processId()).toStdString()),
        program + " (deleted)");
    impostor.write("\n");
    impostor.closeWriteChannel();
    ASSERT_TRUE(impostor.waitForFinished(10000));
    EXPECT_EQ(impostor.readAllStandardOutput().trimmed(), "com.lumenfold.quillet.Shell.Error.AccessDenied")
        << impostor.readAllStandardError().toStdString();
}

/// Quillet's program with a library loaded into it that calls the extension before the program's
/// own start (tests/wayland/Impostor.cpp): each call's answer, "ok" or the error's name.
QMap<QString, QStringList> impostorsAnswers(const QTemporaryDir& dir, qint64 editorPid, bool forked) {
    QProcess impostor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (forked)
        env.insert("QUILLET_IMPOSTOR_FORK", "1");
    env.insert("LD_PRELOAD", qEnvironmentVariable("QUILLET_IMPOSTOR"));
    env.insert("QUILLET_IMPOSTOR_OUT", dir.filePath("impostor.txt"));
    env.insert("QUILLET_IMPOSTOR_PID", QString::number(editorPid));
    impostor.setProcessEnvironment(env);
    impostor.start(quilletBinary(), {});
    if (!impostor.waitForFinished(30000) || impostor.exitCode() != 0)
        return {};
    QFile answers(dir.filePath("impostor.txt"));
    if (!answers.open(QIODevice::ReadOnly))
        return {};
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
TEST_F(GnomeShellAccessTest, TextAndKeysAreLentOnlyToTheClientForTheCorrectionTheUserAskedFor) {
    setClipboardText("the user's own clipboard");
    ASSERT_NO_FATAL_FAILURE(startIgnoringWrites());
    const QString denied = "com.lumenfold.quillet.Shell.Error.AccessDenied";
    const auto expectRefused = [&](const char* when) {
        for (const bool forked : {false, true}) {
            const QMap<QString, QStringList> answers = impostorsAnswers(dir, editor.processId(), forked);
            const std::string how =
                std::string(when) + (forked ? ", from a forked child" : ", loaded into it");
            EXPECT_EQ(answers.value("Hello"), QStringList({"ok", denied}))
                << how << ": greeted as Quillet's program, refused as the client while Quillet runs";
            for (const QString method : {"GetClipboard", "SetClipboard", "GetSelectionText", "PressKeys",
                                         "ActivateProcess", "RenewGrant", "EndGrant", "FocusedWindow"})
                EXPECT_EQ(answers.value(method), QStringList{denied}) << how << ": " << method.toStdString();
        }
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
    EXPECT_TRUE(fieldReads(kMistakeFixed));
    EXPECT_TRUE(waitUntil([] { return clipboardText() == "the user's own clipboard"; }, 5000))
        << "clipboard: " << clipboardText().toStdString();
    EXPECT_TRUE(waitUntil([] { return !bridge("bridge._granted()").toBool(); }, 5000)) << "ended by Quillet";
    EXPECT_EQ(bridge("bridge._refusal('GetClipboard', [], bridge._client)").toString(),
              "Not without the user");

    // Undo in the desktop's notification lends the same window again, for the undo alone.
    EXPECT_TRUE(
        waitUntil([] { return shell("probe.pressNotification('Replaced', 'Undo')").toBool(); }, 5000));
    EXPECT_TRUE(fieldReads(kMistaken));
    EXPECT_TRUE(waitUntil([] { return !bridge("bridge._granted()").toBool(); }, 5000));
    EXPECT_TRUE(waitUntil([] { return clipboardText() == "the user's own clipboard"; }, 5000));
}

// The extension installed as the user's own, for the program in the build folder, in a shell without
// its development switch: any program of the user could take Quillet's place there, so it serves no
// one, Quillet included, and the self-check and the settings say how to install it for the system.
TEST_F(GnomeShellAccessTest, AWritableInstallServesNoOneAndTheHintSaysHowToInstallIt) {
    QDBusMessage hello = QDBusMessage::createMethodCall(shellService, "/com/lumenfold/quillet/Shell",
                                                        "com.lumenfold.quillet.Shell", "Hello");
    hello << true;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(hello, QDBus::Block, 5000);
    EXPECT_EQ(reply.errorName(), "com.lumenfold.quillet.Shell.Error.UnsafeInstall");
    EXPECT_EQ(reply.errorMessage(), "Writable by the user GNOME Shell runs as: " + quilletBinary());

    startEditor("gedit", {"--standalone", mistakenFile()});
    EXPECT_TRUE(holdsFor([] { return !iconShown(); }, 1500)) << "Quillet is not served either";
    const std::string report = selfCheck();
    EXPECT_THAT(report, testing::HasSubstr(
                            "  ✗ GNOME Shell extension: It is installed where any program of yours could "
                            "take Quillet's place (" +
                            quilletBinary().toStdString() + ")"));
    EXPECT_THAT(report, testing::HasSubstr("“sudo cmake --install build”"));
    EXPECT_TRUE(quillet.shows("sudo cmake --install build")) << "the settings say so";
}

}  // namespace
