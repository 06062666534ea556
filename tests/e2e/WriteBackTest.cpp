// Writing the correction back, and Undo, with the real program against applications that make it
// hard: one invisible to accessibility, a field that takes accessibility writes and ignores them,
// a paste that never lands, and an editor that copies the caret's line when nothing is selected.
// Every document has several paragraphs, an emoji and combining marks, and is compared byte for byte.
#include <gmock/gmock.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "core/PartialReplacement.h"
#include "platform/linux/system/IniDefaults.h"
#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString kOriginal = QString::fromUtf8(
    "Their is a mistak here. \xf0\x9f\x91\x8b Emoji and cafe\xcc\x81.\n\n"
    "Second paragraph with nai\xcc\x88ve text: an\xcc\x83o.\n"
    "Third line, \xe2\x80\x94 \xd0\x82\xd1\x83\xd1\x80\xd1\x92\xd0\xb5\xd0\xb2\xd0\xb4\xd0\xb0\xd0\xbd.\n");

const auto corrected = mendMistakes;

class WriteBackTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(quillet.ready());
        writeDocument(kOriginal);
        ASSERT_TRUE(quillet.start());
        // The session has no tray, so the settings come up first: closed before any application
        // starts, so that they cannot come up over it.
        ASSERT_TRUE(closeStartupSettings());
    }

    void writeDocument(const QString& text) {
        document = text;
        QFile file(documentPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    void TearDown() override {
        app.reset();
        quillet.kill();
        EXPECT_EQ(QString::fromUtf8(quillet.process.readAllStandardError()).trimmed(), QString());
    }

    QString documentPath() const { return dir.filePath("note.txt"); }
    QString mirrorPath() const { return dir.filePath("mirror.txt"); }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    /// Starts an application after Quillet, as at login, and brings its window to the front.
    void startApp(const QString& program, const QStringList& args, bool invisible = false,
                  const QString& readyWhen = QString()) {
        if (invisible)
            qputenv("NO_AT_BRIDGE", "1");
        app = std::make_unique<DesktopApp>(program, args);
        qunsetenv("NO_AT_BRIDGE");
        ASSERT_FALSE(app->window().isEmpty());
        if (!readyWhen.isEmpty()) {
            ASSERT_TRUE(waitUntil([&] { return readAccessible(app->pid()).contains(readyWhen); }, 10000));
        }
        xdotool({"windowactivate", "--sync", app->window()});
    }
    void startTestEditor(const QStringList& options, bool invisible = false) {
        startApp(
            testEditorBinary(),
            QStringList{"--title", "Test editor", "--text-file", documentPath(), "--mirror", mirrorPath()} +
                options,
            invisible, invisible ? QString() : QStringLiteral("push button\tOptions"));
        ASSERT_TRUE(waitUntil([&] { return contents(mirrorPath()) == document.toUtf8(); }, 10000));
        // Into the text below the button the window opens with, as a person clicks there. A click
        // on a window that has only just been shown can be lost; another one does no harm.
        auto clickIntoText = [&] {
            xdotool({"mousemove", "--window", app->window(), "320", "260", "click", "1"});
        };
        if (invisible) {
            clickIntoText();
        } else {
            bool iconShown = false;
            for (int attempt = 0; attempt < 3 && !iconShown; ++attempt) {
                clickIntoText();
                iconShown = waitUntil([&] { return surfaceShown(Surface::icon).has_value(); }, 5000);
            }
            ASSERT_TRUE(iconShown) << "the icon comes";
        }
        xdotool({"key", "ctrl+Home"});
    }

    bool toastShown() { return surfaceShown(Surface::toast).has_value(); }
    /// Presses Super+Shift+G until the panel shows the correction.
    bool correctionShown() {
        return pressHotkeyUntil([&] { return quillet.shows("There is a mistake here."); });
    }
    void pressUndo() { EXPECT_TRUE(quillet.press("Undo")); }
    /// Whether the editor's document comes to hold `text` within `ms`; what it holds when not.
    testing::AssertionResult mirrorHolds(const QString& text, int ms = 5000) {
        if (waitUntil([&] { return contents(mirrorPath()) == text.toUtf8(); }, ms))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << contents(mirrorPath()).toStdString();
    }
    /// Back to the panel as a person goes, a click on its header, then Return.
    void returnInThePanel() {
        const std::optional<QRect> at = surfaceShown(Surface::panel);
        ASSERT_TRUE(at);
        xdotool({"mousemove", QString::number(at->x() + 300), QString::number(at->y() + 20), "click", "1"});
        xdotool({"key", "Return"});
    }
    /// Return in the panel: `fixed` goes in with its notice; Undo brings back `before`.
    void returnThenUndo(const QString& fixed, const QString& before, int ms = 5000) {
        xdotool({"key", "Return"});
        ASSERT_TRUE(mirrorHolds(fixed, ms));
        ASSERT_TRUE(waitUntil([&] { return toastShown(); }, 5000));
        pressUndo();
        EXPECT_TRUE(mirrorHolds(before, ms));
    }

    /// Another program (xclip) copies `text`, as the user would in it; it owns the clipboard
    /// until something else copies.
    static void copyElsewhere(const QString& text) {
        ASSERT_EQ(runProgram("bash", {"-c", "printf %s \"$1\" | xclip -selection clipboard >/dev/null 2>&1",
                                      "-", text}),
                  0);
    }
    static QString clipboardText() {
        QString out;
        runProgram("xclip", {"-o", "-selection", "clipboard"}, &out, nullptr, 3000);
        return out;
    }
    bool anyRequestHolds(const QString& text) {
        for (const auto& r : quillet.server.requests())
            if (QString::fromUtf8(r.body).contains(text))
                return true;
        return false;
    }

    QString document;
    QuilletUnderTest quillet;
    QTemporaryDir dir;
    std::unique_ptr<DesktopApp> app;
};

// The clipboard road: the paste goes over the selection that was copied, and Undo selects what went
// in before the original goes over it.
TEST_F(WriteBackTest, UndoAfterTheClipboardRoadInAnApplicationInvisibleToAccessibility) {
    startApp("mousepad", {"--disable-server", documentPath()}, true);
    // The first paragraph, its blank line and the second: part of the document, not all of it.
    xdotool({"key", "ctrl+Home", "shift+Down", "shift+Down", "shift+Down"});
    const QString selection = kOriginal.section('\n', 0, 2) + '\n';
    ASSERT_TRUE(correctionShown());
    ASSERT_EQ(LoopbackHttpServer::userText(quillet.server.requests().at(0).body), selection);

    // The application takes a paste in its own time, and the file shows it only once saved: saved
    // again and again until it holds what is expected.
    const auto savedAs = [&](const QString& text) {
        return waitUntil(
            [&] {
                xdotool({"windowactivate", "--sync", app->window(), "key", "ctrl+s"});
                return contents(documentPath()) == text.toUtf8();
            },
            8000);
    };
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return toastShown(); }, 5000));
    ASSERT_TRUE(savedAs(corrected(kOriginal))) << contents(documentPath()).toStdString();

    pressUndo();
    EXPECT_TRUE(savedAs(kOriginal)) << "exactly the original, nothing doubled:\n"
                                    << contents(documentPath()).toStdString();
}

// As a browser's text area does: every accessibility write is accepted and changes nothing.
TEST_F(WriteBackTest, FieldThatIgnoresAccessibilityWritesGetsTheCorrectionByPaste) {
    startTestEditor({"--ignore-accessible-writes"});
    ASSERT_TRUE(correctionShown());
    returnThenUndo(corrected(kOriginal), kOriginal);
}

TEST_F(WriteBackTest, NoSuccessNoticeWhenNothingLands) {
    startTestEditor({"--ignore-accessible-writes", "--ignore-paste"});
    ASSERT_TRUE(correctionShown());
    Bells bells;
    xdotool({"key", "Return"});
    // Two accessibility writes and the paste each had their time to show when Quillet beeps.
    ASSERT_TRUE(waitUntil([&] { return bells.count() > 0; }, 15000)) << "the failure is heard";
    EXPECT_FALSE(toastShown());
    EXPECT_EQ(contents(mirrorPath()), kOriginal.toUtf8());
}

// KDE's editor, among others, copies the caret's line when nothing is selected.
TEST_F(WriteBackTest, CopiedLineIsNoSelectionAndARealOneIsReplacedOnce) {
    startTestEditor({"--copy-line-without-selection"}, true);
    xdotool({"key", "End"});
    Bells bells;
    xdotool({"key", "super+shift+g"});
    ASSERT_TRUE(waitUntil([&] { return bells.count() > 0; }, 15000)) << "nothing to correct: a beep";
    EXPECT_EQ(quillet.chatRequests(), 0) << "the copied line is not sent";
    EXPECT_EQ(contents(mirrorPath()), kOriginal.toUtf8());

    xdotool({"key", "Home", "shift+End"});
    ASSERT_TRUE(correctionShown());
    returnThenUndo(corrected(kOriginal), kOriginal);
}

// A field far longer than what is sent: the correction goes over the part that was checked, and
// everything after it stays byte for byte, emoji and combining marks included.
TEST_F(WriteBackTest, LongFieldGetsOnlyItsCheckedPartReplaced) {
    QString longText;
    while (longText.size() < 200000)
        longText += kOriginal + QLatin1Char('\n');
    longText.truncate(200000);
    writeDocument(longText);
    const QString sent = PartialReplacement::of(longText).sent;
    ASSERT_LT(sent.size(), longText.size());
    startTestEditor({});
    ASSERT_TRUE(correctionShown());
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("only its first part was checked"); }, 2000));
    EXPECT_EQ(LoopbackHttpServer::userText(quillet.server.requests().at(0).body), sent);

    xdotool({"key", "Return"});
    const QByteArray expected = (corrected(sent) + longText.mid(sent.size())).toUtf8();
    const bool replaced = waitUntil([&] { return contents(mirrorPath()) == expected; }, 10000);
    const QByteArray now = contents(mirrorPath());
    ASSERT_TRUE(replaced) << "the first part corrected, the rest as it was; "
                          << (now == longText.toUtf8() ? "unchanged" : "changed")
                          << ", first difference at byte "
                          << std::mismatch(expected.begin(), expected.end(), now.begin(), now.end()).first -
                                 expected.begin();
    EXPECT_TRUE(waitUntil([&] { return toastShown(); }, 5000));
}

// The application stops (SIGSTOP) while the correction goes in, and wakes seconds later: it then
// pastes whatever the clipboard holds, which must be the correction, never the user's own copy.
TEST_F(WriteBackTest, AnApplicationFrozenDuringTheReplaceGetsTheCorrectionNeverTheClipboard) {
    startTestEditor({});
    copyElsewhere("the user's own clipboard");
    ASSERT_TRUE(correctionShown());
    ASSERT_EQ(::kill(pid_t(app->pid()), SIGSTOP), 0);
    xdotool({"key", "Return"});
    settle(3000);  // frozen for seconds: the scenario itself, not a wait for Quillet
    ASSERT_EQ(::kill(pid_t(app->pid()), SIGCONT), 0);
    const QByteArray fixedText = corrected(kOriginal).toUtf8();
    EXPECT_TRUE(mirrorHolds(corrected(kOriginal), 10000));
    // Nothing marks a second paste that never comes: the document is watched for a while.
    EXPECT_TRUE(holdsFor(
        [&] {
            const QByteArray now = contents(mirrorPath());
            return now == fixedText || now == kOriginal.toUtf8();
        },
        1000))
        << "never the user's own clipboard: " << contents(mirrorPath()).toStdString();
    EXPECT_TRUE(waitUntil([&] { return clipboardText() == "the user's own clipboard"; }, 5000))
        << "the clipboard is the user's again: " << clipboardText().toStdString();
}

// The user clicks back into the field while the panel is open and types, then Return in the panel.
// Typing into a corrected word: nothing is written and the panel says so; Check again checks the new
// text. Typing away from the corrections: the typing stays and the correction goes in around it.
TEST_F(WriteBackTest, TypingIntoTheFieldWhileThePanelIsOpenSurvivesReturn) {
    startTestEditor({});
    ASSERT_TRUE(correctionShown());
    const std::optional<QRect> panel = surfaceShown(Surface::panel);
    ASSERT_TRUE(panel);
    const auto typeIntoTheField = [&](const QList<QStringList>& keys, const QString& expected) {
        xdotool({"mousemove", "--window", app->window(), "320", "260", "click", "1"});
        for (const QStringList& step : keys)
            xdotool(step);
        ASSERT_TRUE(mirrorHolds(expected));
    };
    // "mistak" becomes "mistakes": a corrected word.
    QString typed = kOriginal;
    typed.replace("mistak ", "mistakes ");
    typeIntoTheField({{"key", "ctrl+Home"}, {"key", "--repeat", "17", "Right"}, {"type", "es"}}, typed);
    ASSERT_NO_FATAL_FAILURE(returnInThePanel());
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("The text changed after it was checked."); }, 5000));
    EXPECT_TRUE(holdsFor([&] { return contents(mirrorPath()) == typed.toUtf8(); }, 1000));
    EXPECT_FALSE(toastShown());
    ASSERT_TRUE(quillet.press("Check again"));
    ASSERT_TRUE(waitUntil([&] { return anyRequestHolds("mistakes here"); }, 8000)) << "the new text is sent";
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("There is a mistakes here."); }, 8000));

    // A sentence at the end, clear of the corrected words.
    const QString sentence = QStringLiteral("Typed meanwhile.");
    typeIntoTheField({{"key", "ctrl+End"}, {"type", "--delay", "20", sentence}}, typed + sentence);
    ASSERT_NO_FATAL_FAILURE(returnInThePanel());
    EXPECT_TRUE(mirrorHolds(corrected(typed) + sentence));
    EXPECT_TRUE(waitUntil([&] { return toastShown(); }, 5000));
}

// The application whose field was checked is killed while the panel is open, another editor behind
// it: Return writes and pastes nothing there, and the panel says the field is gone.
TEST_F(WriteBackTest, AnApplicationKilledWhileThePanelIsOpenLeavesTheEditorBehindItUntouched) {
    const QString otherText =
        QStringLiteral("The other editor's own document. Their is a mistak here too.\n");
    QTemporaryDir otherDir;
    const QString otherDocument = otherDir.filePath("other.txt");
    const QString otherMirror = otherDir.filePath("other-mirror.txt");
    {
        QFile file(otherDocument);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(otherText.toUtf8());
    }
    DesktopApp behind(testEditorBinary(),
                      {"--title", "Behind", "--text-file", otherDocument, "--mirror", otherMirror});
    ASSERT_FALSE(behind.window().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return contents(otherMirror) == otherText.toUtf8(); }, 10000));
    startTestEditor({"--ignore-accessible-writes"});
    ASSERT_TRUE(correctionShown());

    ASSERT_EQ(::kill(pid_t(app->pid()), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return fieldText(app->pid()) == std::nullopt; }, 5000));
    // Return in the panel, wherever the window manager put the keyboard when the window went.
    ASSERT_NO_FATAL_FAILURE(returnInThePanel());
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("The field is gone"); }, 8000));
    EXPECT_TRUE(holdsFor([&] { return contents(otherMirror) == otherText.toUtf8(); }, 2000))
        << contents(otherMirror).toStdString();
    EXPECT_FALSE(toastShown());
    app.reset();
}

// A document of CR LF lines in an application accessibility cannot see: the correction goes back
// through the clipboard with CR LF, byte for byte, and so does the original on Undo.
TEST_F(WriteBackTest, CrLfThroughTheClipboardRoadByteForByte) {
    QString crlf = kOriginal;
    crlf.replace("\n", "\r\n");
    writeDocument(crlf);
    startTestEditor({"--crlf"}, true);
    xdotool({"key", "ctrl+a"});
    ASSERT_TRUE(correctionShown());
    EXPECT_EQ(LoopbackHttpServer::userText(quillet.server.requests().at(0).body), kOriginal)
        << "the model reads line feeds";
    returnThenUndo(corrected(crlf), crlf, 8000);
}

}  // namespace
