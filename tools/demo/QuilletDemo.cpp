// The walkthrough behind `make demo`: one whole correction in mousepad, driven as a person would, with
// a picture of the whole screen at every step. Runs only inside a private desktop session.
//
//   quillet_demo OUTPUT_FOLDER [QUILLET_BINARY]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QPixmap>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

#include "platform/linux/system/IniDefaults.h"
#include "support/DesktopApps.h"
#include "support/LoopbackHttpServer.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString kKey = QStringLiteral("sk-demo-0123456789");
const QString kOriginal = QStringLiteral("I has went to the store yesterday and buyed two apple.");
const QString kCorrected = QStringLiteral("I went to the store yesterday and bought two apples.");
const QString kProfessional = QStringLiteral("Yesterday I visited the store and purchased two apples.");
// Long enough for the panel's loading state to be seen (and photographed).
constexpr int kModelDelayMs = 1500;

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Unwinds to main, so the programs started so far are ended on the way.
struct Failure {
    QString why;
};
[[noreturn]] void fail(const QString& why) {
    throw Failure{why};
}

using test::settle;

QString accessible(qint64 pid, const QStringList& extra = {}) {
    return test::readAccessible(pid, extra);
}

class Walkthrough {
public:
    Walkthrough(QDir folder, QString quillet) : m_folder(std::move(folder)), m_quillet(std::move(quillet)) {}
    ~Walkthrough() {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }

    void run() {
        prepare();

        DesktopApp editor(QStringLiteral("mousepad"),
                          {"--disable-server", m_document.filePath("shopping.txt")});
        expect([&] { return documentText(editor.pid()) == kOriginal; }, 20000, "mousepad shows the document");
        const QString window = editor.window();
        xdotool({"windowmove", "--sync", window, "260", "140"});
        xdotool({"windowsize", "--sync", window, "900", "520"});
        xdotool({"windowactivate", "--sync", window});
        xdotool({"key", "ctrl+End"});
        shot("01-editor", "Mousepad holds a sentence with mistakes; the cursor is in it.");

        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(m_quillet, {});
        if (!m_program.waitForStarted())
            fail("cannot start " + m_quillet);
        // A desktop without a tray gets the settings at start: closed, and back to the editor.
        if (!closeStartupSettings())
            fail("the settings window did not come and go");
        xdotool({"windowactivate", "--sync", window});
        std::optional<QRect> icon;
        expect([&] { return (icon = surfaceShown(Surface::icon)).has_value(); }, 20000, "the icon appears");
        shot("02-icon", "Quillet is running: its icon sits in the field's bottom-right corner.");

        const QPoint centre = icon->center();
        xdotool(
            {"mousemove", "--sync", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
        expect([&] { return surfaceShown(Surface::panel).has_value(); }, 10000, "the panel opens");
        shot("03-loading", "A click on the icon opens the panel; the text is on its way to the model.");

        expect([&] { return accessible(m_program.processId()).contains(kCorrected); }, 15000,
               "the correction arrives");
        shot("04-correction", "The corrected text, with the changed words marked, and the list of changes.");

        // The Rephrase tab sits at the same place in every panel: a click there, as a person would.
        const QRect panel = *surfaceShown(Surface::panel);
        const QImage before = grab(panel);
        const QPoint tab = panel.topLeft() + QPoint(192, 25);
        xdotool({"mousemove", "--sync", QString::number(tab.x()), QString::number(tab.y()), "click", "1"});
        expect([&] { return grab(panel) != before; }, 5000, "the alternatives show");
        shot("05-alternatives", "The Rephrase tab: three alternatives, neutral, professional and concise.");

        pressInPanel({"--press-described", "Professional"});
        expect([&] { return documentText(editor.pid()) == kProfessional; }, 10000,
               "the chosen alternative is in the document");
        expect([&] { return surfaceShown(Surface::toast).has_value(); }, 5000, "the toast shows");
        settle(300);
        shot("06-replaced", "The professional alternative replaced the text; a notice offers Undo.");

        pressInPanel({"--press", "Undo"});
        expect([&] { return documentText(editor.pid()) == kOriginal; }, 10000, "Undo brings the text back");
        settle(300);
        shot("07-undone", "Undo put the original sentence back.");

        say("Walkthrough written to " + m_folder.absolutePath());
    }

private:
    void prepare() {
        // The session's own keyring and preferences: the key, and the stand-in server as the API.
        m_server.model.acceptedKey = kKey;
        m_server.model.delayMs = kModelDelayMs;
        m_server.model.correct = [](const QString& text) { return text == kOriginal ? kCorrected : text; };
        m_server.model.rephrase = [](const QString&) {
            return QList<QPair<QString, QString>>{
                {"neutral", "I went to the store yesterday and picked up two apples."},
                {"professional", kProfessional},
                {"concise", "Bought two apples at the store yesterday."}};
        };
        if (!test::storeApiKey(kKey, m_server.baseUrl()))
            fail("the session's keyring does not take the key");
        QFile::remove(IniDefaults::defaultPath());
        IniDefaults().setString("apiBaseURL", m_server.baseUrl());

        // A desktop colour instead of X's black, so the pictures look like a desktop.
        test::runServing(QStringLiteral("xsetroot"), {"-solid", "#3B4D5C"});

        QFile file(m_document.filePath("shopping.txt"));
        if (!file.open(QIODevice::WriteOnly))
            fail("cannot write the document");
        file.write(kOriginal.toUtf8());
    }

    QString documentText(qint64 pid) {
        for (const QString& line : accessible(pid).split('\n')) {
            const QStringList cols = line.split('\t');
            if (cols.size() == 3 && cols[0] == "text")
                return cols[2];
        }
        return {};
    }

    void pressInPanel(const QStringList& how) {
        const QString widgets = accessible(m_program.processId(), how);
        if (!widgets.contains("pressed " + how.last()))
            fail("cannot press " + how.last() + "; the program shows:\n" + widgets);
    }

    void expect(const std::function<bool()>& done, int timeoutMs, const QString& what) {
        if (!waitUntil(done, timeoutMs))
            fail("this did not happen: " + what);
    }

    QImage grab(const QRect& area) {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .toImage();
    }

    // The whole screen, as the person watching would see it.
    void shot(const QString& name, const QString& caption) {
        settle(250);  // the last change is drawn
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        const QString file = name + ".png";
        if (screen.isNull() || !screen.save(m_folder.filePath(file), "PNG"))
            fail("cannot save " + file);
        say(QStringLiteral("  %1  %2").arg(file, caption));
    }

    QDir m_folder;
    QString m_quillet;
    QTemporaryDir m_document;
    LoopbackHttpServer m_server;
    QProcess m_program;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const auto refuse = [](const char* why) {
        std::fprintf(stderr, "quillet_demo: %s\n", why);
        return 2;
    };
    if (args.size() < 2)
        return refuse("usage: quillet_demo OUTPUT_FOLDER [QUILLET_BINARY]");
    // It stores a key and rewrites the preferences: never on the user's own desktop.
    if (qEnvironmentVariableIsEmpty("QUILLET_SESSION_DIR"))
        return refuse("run it inside tests/session/run-in-session.sh (make demo does)");

    QDir folder(QDir::current().absoluteFilePath(args.at(1)));
    folder.mkpath(".");
    for (const QString& old : folder.entryList({"*.png"}, QDir::Files))
        folder.remove(old);
    try {
        Walkthrough(folder, args.size() > 2 ? args.at(2) : quilletBinary()).run();
    } catch (const Failure& failure) {
        std::fputs(("quillet_demo: " + failure.why + '\n').toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
