// The whole road with the real program on a private desktop: mousepad and zenity typed into as a
// person would, the real keyring, and a loopback server that answers like the language model.
#include <gmock/gmock.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/linux/IniDefaults.h"
#include "support/DesktopApps.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString kKey = QStringLiteral("sk-e2e-0123456789");
const QString kOriginal = QStringLiteral("Their is a mistak in this sentence.");
const QString kCorrected = QStringLiteral("There is a mistake in this sentence.");
const QString kProfessional = QStringLiteral("This sentence contains an error.");

QString run(const QString& program, const QStringList& args) {
    return runServing(program, args);
}

/// The visible Quillet window of the given size (icon 24×24, panel 400×340, toast 220×40).
std::optional<QRect> quilletWindow(QSize size) {
    const QStringList ids =
        xdotool({"search", "--onlyvisible", "--name", "^Quillet$"}).split('\n', Qt::SkipEmptyParts);
    for (const QString& id : ids) {
        const QString shell = xdotool({"getwindowgeometry", "--shell", id});
        QMap<QString, int> g;
        for (const QString& line : shell.split('\n')) {
            const QStringList kv = line.split('=');
            if (kv.size() == 2)
                g[kv[0]] = kv[1].toInt();
        }
        if (g.value("WIDTH") == size.width() && g.value("HEIGHT") == size.height())
            return QRect(g.value("X"), g.value("Y"), size.width(), size.height());
    }
    return std::nullopt;
}

const QSize kIcon(24, 24), kPanel(400, 340), kToast(220, 40);

class CorrectionFlowTest : public testing::Test {
protected:
    void SetUp() override {
        server.model.acceptedKey = kKey;
        server.model.correct = [](const QString& text) {
            QString t = text;
            return t.replace("Their is", "There is").replace("mistak ", "mistake ");
        };
        server.model.rephrase = [](const QString&) {
            return QList<QPair<QString, QString>>{{"neutral", "There is an error in this sentence."},
                                                  {"professional", kProfessional},
                                                  {"concise", "A mistake here."}};
        };
        ASSERT_TRUE(test::storeApiKey(kKey));
        QFile::remove(IniDefaults::defaultPath());
        IniDefaults().setString("apiBaseURL", server.baseUrl());
    }

    void TearDown() override {
        for (QProcess* p : {&quillet, &app}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
        const QString errors = QString::fromUtf8(quillet.readAllStandardError()).trimmed();
        EXPECT_EQ(errors, QString()) << "the program writes nothing to standard error";
    }

    void startMousepad() {
        QFile file(dir.filePath("note.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kOriginal.toUtf8());
        file.close();
        app.start("mousepad", {"--disable-server", file.fileName()});
        ASSERT_TRUE(app.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return mousepadText() == kOriginal; }, 15000)) << "mousepad is readable";
        activateApp();
    }
    void activateApp() {
        QString window;
        ASSERT_TRUE(waitUntil(
            [&] {
                window = xdotool({"search", "--onlyvisible", "--pid", QString::number(app.processId())})
                             .section('\n', 0, 0);
                return !window.isEmpty();
            },
            10000));
        xdotool({"windowactivate", "--sync", window});
    }
    void startQuillet() {
        quillet.start(quilletBinary(), {});
        ASSERT_TRUE(quillet.waitForStarted());
        // Up and listening: its widgets are on the accessibility bus and its shortcut is grabbed.
        ASSERT_TRUE(waitUntil(
            [&] { return readAccessible(quillet.processId()).contains("application\tQuillet"); }, 15000));
        // The session has no tray, so the settings come up first; closed, and back to the application.
        ASSERT_TRUE(closeStartupSettings());
        if (app.state() != QProcess::NotRunning)
            activateApp();
        settle(300);
    }
    /// The document text of mousepad, read through AT-SPI.
    QString mousepadText() {
        for (const QString& line : readAccessible(app.processId()).split('\n')) {
            const QStringList cols = line.split('\t');
            if (cols.size() == 3 && cols[0] == "text")
                return cols[2];
        }
        return QString();
    }
    /// Presses Super+Shift+G until `done` holds, as a person presses again when nothing happened
    /// (a program that has just started may not have its shortcut yet).
    bool pressHotkeyUntil(const std::function<bool()>& done, int attempts = 3) {
        for (int i = 0; i < attempts; ++i) {
            xdotool({"key", "super+shift+g"});
            if (waitUntil(done, 8000))
                return true;
        }
        return false;
    }
    bool panelShows(const QString& text) { return readAccessible(quillet.processId()).contains(text); }
    void press(const QString& name, const QString& how = "--press") {
        EXPECT_THAT(readAccessible(quillet.processId(), {how, name}).toStdString(),
                    testing::HasSubstr(("pressed " + name).toStdString()));
    }
    int chatRequests() {
        int n = 0;
        for (const auto& r : server.requests())
            n += r.path.endsWith("/chat/completions");
        return n;
    }

    LoopbackHttpServer server;
    QTemporaryDir dir;
    QProcess app;
    QProcess quillet;
};

TEST_F(CorrectionFlowTest, IconClickReplaceAndUndoInMousepad) {
    startMousepad();
    startQuillet();
    std::optional<QRect> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = quilletWindow(kIcon)).has_value(); }, 15000))
        << "the icon appears";

    // The icon sits inside the field's bottom-right corner, 8 points in from both edges.
    const QString doctor = run(quilletBinary(), {"--doctor"});
    const QRegularExpressionMatch m =
        QRegularExpression(
            QString::fromUtf8("AX frame \\(top-left\\): \\((-?\\d+),(-?\\d+)\\) (\\d+)×(\\d+)"))
            .match(doctor);
    ASSERT_TRUE(m.hasMatch()) << doctor.toStdString();
    const QRect field(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                      m.captured(4).toInt());
    EXPECT_NEAR(icon->x(), field.x() + field.width() - 32, 1);
    EXPECT_NEAR(icon->y(), field.y() + field.height() - 8 - 24, 1);

    const QPoint centre = icon->center();
    xdotool({"mousemove", "--sync", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return quilletWindow(kPanel).has_value(); }, 10000)) << "the panel opens";
    ASSERT_TRUE(waitUntil([&] { return chatRequests() == 2; }, 10000));
    EXPECT_EQ(LoopbackHttpServer::userText(server.requests().at(0).body), kOriginal);
    ASSERT_TRUE(waitUntil([&] { return panelShows(kCorrected); }, 10000)) << "the correction arrives";

    xdotool({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return mousepadText() == kCorrected; }, 10000))
        << mousepadText().toStdString();
    EXPECT_FALSE(quilletWindow(kPanel).has_value());
    ASSERT_TRUE(waitUntil([&] { return quilletWindow(kToast).has_value(); }, 5000))
        << "the toast offers Undo";

    press("Undo");
    ASSERT_TRUE(waitUntil([&] { return mousepadText() == kOriginal; }, 10000))
        << mousepadText().toStdString();
}

TEST_F(CorrectionFlowTest, HotkeyInMousepad) {
    startMousepad();
    startQuillet();
    ASSERT_TRUE(waitUntil([&] { return quilletWindow(kIcon).has_value(); }, 15000));
    ASSERT_TRUE(pressHotkeyUntil([&] { return panelShows(kCorrected); }));
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return mousepadText() == kCorrected; }, 10000))
        << mousepadText().toStdString();
}

TEST_F(CorrectionFlowTest, AStreamedCorrectionShowsItsFirstWordsLongBeforeTheLast) {
    // A slow local model: 20 tokens a second, some ten seconds for the whole answer.
    server.model.tokensPerSecond = 20;
    const QString written =
        kCorrected +
        QStringLiteral(" It goes on for a while, word after word, as a slow model writes.").repeated(5) +
        QStringLiteral(" The last words.");
    server.model.correct = [written](const QString&) { return written; };
    startMousepad();
    startQuillet();
    ASSERT_TRUE(waitUntil([&] { return quilletWindow(kIcon).has_value(); }, 15000));
    ASSERT_TRUE(pressHotkeyUntil([&] { return panelShows("There is a mistake"); }));
    EXPECT_FALSE(panelShows("The last words.")) << "the first words came long before the last";
    ASSERT_TRUE(waitUntil([&] { return panelShows("The last words.") && panelShows("1 change"); }, 30000));

    xdotool({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return mousepadText() == written; }, 10000)) << mousepadText().toStdString();
}

TEST_F(CorrectionFlowTest, HotkeyInAnApplicationInvisibleToAccessibility) {
    const QString usersClipboard = QStringLiteral("the user's own clipboard");
    QGuiApplication::clipboard()->setText(usersClipboard);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NO_AT_BRIDGE", "1");
    app.setProcessEnvironment(env);
    app.start("zenity", {"--entry", "--title", "Invisible", "--entry-text", kOriginal});
    ASSERT_TRUE(app.waitForStarted());
    activateApp();
    startQuillet();
    xdotool({"key", "ctrl+a"});
    ASSERT_TRUE(pressHotkeyUntil([&] { return panelShows(kProfessional); })) << "the copied text was sent";
    EXPECT_EQ(LoopbackHttpServer::userText(server.requests().at(0).body), kOriginal);

    press("Professional", "--press-described");
    // The clipboard holds the user's text before the paste as well as after it, so it cannot tell
    // when the paste is over; nothing else of zenity can be read.
    settle(1500);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard) << "the user's clipboard is restored";
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
    settle(2500);
    EXPECT_FALSE(quilletWindow(kIcon).has_value());
    xdotool({"key", "super+shift+g"});
    settle(2000);
    EXPECT_TRUE(server.requests().isEmpty()) << "nothing of a password field reaches the network";
    EXPECT_FALSE(quilletWindow(kPanel).has_value());
}

TEST_F(CorrectionFlowTest, BlockedApplicationHasNoIconButTheHotkeyWorks) {
    IniDefaults().setStringList("blocklist", {"org.xfce.mousepad"});
    startMousepad();
    startQuillet();
    settle(2500);
    EXPECT_FALSE(quilletWindow(kIcon).has_value());
    ASSERT_TRUE(pressHotkeyUntil([&] { return panelShows(kCorrected); }));
}

TEST_F(CorrectionFlowTest, RefusedKeyAndExhaustedQuotaShowTheirMessages) {
    startMousepad();
    startQuillet();
    ASSERT_TRUE(waitUntil([&] { return quilletWindow(kIcon).has_value(); }, 15000));
    server.responder = [](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response::json(401, R"({"error":{"message":"bad key"}})");
    };
    ASSERT_TRUE(pressHotkeyUntil([&] { return panelShows("Invalid API key. Check it in Settings."); }));
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !quilletWindow(kPanel).has_value(); }, 5000));

    server.responder = [](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response::json(429, R"({"error":{"message":"quota"}})");
    };
    activateApp();
    xdotool({"key", "super+shift+g"});
    ASSERT_TRUE(waitUntil(
        [&] { return panelShows("No credit left or rate limit reached on your OpenAI account."); }, 15000))
        << "after two retries";
    EXPECT_EQ(mousepadText(), kOriginal) << "nothing is written";
}

}  // namespace
