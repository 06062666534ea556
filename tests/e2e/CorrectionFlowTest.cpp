// The whole road with the real program on a private desktop: mousepad and zenity typed into as a
// person would, the real keyring, and a loopback server that answers like the language model. The
// icon's click, Return and Undo in mousepad are the compatibility suite's (compat.mousepad).
#include <gmock/gmock.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/linux/system/IniDefaults.h"
#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString kProfessional = QStringLiteral("This sentence contains an error.");

class CorrectionFlowTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(quillet.ready()); }

    void TearDown() override {
        stopProcess(app);
        quillet.kill();
        EXPECT_EQ(QString::fromUtf8(quillet.process.readAllStandardError()).trimmed(), QString())
            << "the program writes nothing to standard error";
    }

    void startMousepad() {
        ASSERT_TRUE(test::startMousepad(app, dir.filePath("note.txt"))) << "mousepad is readable";
    }
    void activateApp() { ASSERT_TRUE(activateWindowOf(app.processId())); }
    void startQuillet() {
        // Up and listening: its widgets are on the accessibility bus and its shortcut is grabbed.
        ASSERT_TRUE(quillet.start());
        // The session has no tray, so the settings come up first; closed, and back to the application.
        ASSERT_TRUE(closeStartupSettings());
        if (app.state() != QProcess::NotRunning)
            activateApp();
    }
    QString mousepadText() { return fieldText(app.processId()).value_or(QString()); }

    QuilletUnderTest quillet;
    QTemporaryDir dir;
    QProcess app;
};

TEST_F(CorrectionFlowTest, AStreamedCorrectionShowsItsFirstWordsLongBeforeTheLast) {
    // A slow local model: 20 tokens a second, some ten seconds for the whole answer.
    quillet.server.model.tokensPerSecond = 20;
    const QString written =
        kMistakeFixed +
        QStringLiteral(" It goes on for a while, word after word, as a slow model writes.").repeated(5) +
        QStringLiteral(" The last words.");
    quillet.server.model.correct = [written](const QString&) { return written; };
    startMousepad();
    startQuillet();
    ASSERT_TRUE(waitUntil([&] { return surfaceShown(Surface::icon).has_value(); }, 15000));
    // The shortcut, in mousepad, as a person presses it.
    ASSERT_TRUE(pressHotkeyUntil([&] { return quillet.shows("There is a mistake"); }));
    EXPECT_FALSE(quillet.shows("The last words.")) << "the first words came long before the last";
    // Ten times the text: offered, but only for a deliberate click.
    ASSERT_TRUE(waitUntil(
        [&] { return quillet.shows("The last words.") && quillet.shows("read it before you replace"); },
        30000));
    xdotool({"key", "Return"});
    EXPECT_TRUE(holdsFor([&] { return mousepadText() == kMistaken; }, 1000)) << "Return does not put it in";
    ASSERT_TRUE(quillet.press("Replace"));
    ASSERT_TRUE(waitUntil([&] { return mousepadText() == written; }, 10000)) << mousepadText().toStdString();
}

TEST_F(CorrectionFlowTest, HotkeyInAnApplicationInvisibleToAccessibility) {
    const QString usersClipboard = QStringLiteral("the user's own clipboard");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(usersClipboard);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NO_AT_BRIDGE", "1");
    app.setProcessEnvironment(env);
    app.start("zenity", {"--entry", "--title", "Invisible", "--entry-text", kMistaken});
    ASSERT_TRUE(app.waitForStarted());
    activateApp();
    startQuillet();
    xdotool({"key", "ctrl+a"});
    ASSERT_TRUE(pressHotkeyUntil([&] { return quillet.shows(kProfessional); })) << "the copied text was sent";
    EXPECT_EQ(LoopbackHttpServer::userText(quillet.server.requests().at(0).body), kMistaken);

    // The user copies once more, here. Quillet takes the clipboard for the paste and takes it again
    // to give the user's text back: the paste is over after the second change. Reading the
    // clipboard before then would count as the paste.
    clipboard->setText(usersClipboard);
    ASSERT_TRUE(waitUntil([&] { return clipboard->ownsClipboard(); }, 5000));
    int changes = 0;
    QObject::connect(clipboard, &QClipboard::changed, &app,
                     [&](QClipboard::Mode mode) { changes += mode == QClipboard::Clipboard; });
    EXPECT_TRUE(quillet.press("Professional", "--press-described"));
    ASSERT_TRUE(waitUntil([&] { return changes >= 2; }, 10000)) << "lent and given back";
    EXPECT_EQ(clipboard->text(), usersClipboard) << "the user's clipboard is restored";
    xdotool({"key", "Return"});  // zenity prints the entry and ends
    ASSERT_TRUE(waitUntil([&] { return app.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(QString::fromUtf8(app.readAllStandardOutput()).trimmed(), kProfessional);
}

TEST_F(CorrectionFlowTest, PasswordFieldGetsNoIconAndTheHotkeySendsNothing) {
    app.start("zenity", {"--password", "--title", "Secret"});
    ASSERT_TRUE(app.waitForStarted());
    activateApp();
    xdotool({"type", "--delay", "20", "hunter2 is my secret password"});
    startQuillet();
    // Quillet beeps at the shortcut in a password field: by then it has looked at the field.
    Bells bells;
    ASSERT_TRUE(pressHotkeyUntil([&] { return bells.count() > 0; })) << "the beep";
    EXPECT_TRUE(quillet.server.requests().isEmpty()) << "nothing of a password field reaches the network";
    EXPECT_FALSE(surfaceShown(Surface::panel).has_value());
    EXPECT_FALSE(surfaceShown(Surface::icon).has_value());
}

TEST_F(CorrectionFlowTest, BlockedApplicationHasNoIconButTheHotkeyWorks) {
    IniDefaults().setStringList("blocklist", {"org.xfce.mousepad"});
    startMousepad();
    startQuillet();
    ASSERT_TRUE(pressHotkeyUntil([&] { return quillet.shows(kMistakeFixed); }));
    // The icon, where there is one, stays beside the open panel.
    EXPECT_FALSE(surfaceShown(Surface::icon).has_value());
}

}  // namespace
