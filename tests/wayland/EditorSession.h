// What the Wayland session tests share: the real program started as at login, an editor started
// after it and read over AT-SPI, and keys pressed as the keyboard would through the compositor.
#pragma once

#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QRectF>
#include <QTemporaryDir>
#include <cstdio>

#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

namespace quillet::test {

/// A rectangle as the compositors' scripts report it: [x, y, width, height].
inline QRectF rectOf(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    return QRectF(a.at(0).toDouble(), a.at(1).toDouble(), a.at(2).toDouble(), a.at(3).toDouble());
}

/// Presses `combo` ("tab", "ctrl+v", "super+shift+g") through the compositor's input.
inline bool key(const QString& combo) {
    return runProgram("/usr/bin/python3", {sourcePath("tests/session/wayland-keys.py"), "key", combo}) == 0;
}

class EditorSessionTest : public testing::Test {
protected:
    /// Quillet started first, as at login; the settings it shows there are then covered by the editor.
    void SetUp() override {
        ASSERT_TRUE(quillet.ready());
        ASSERT_TRUE(quillet.startAtLogin());
    }
    void TearDown() override {
        EXPECT_EQ(quillet.process.readAllStandardError().toStdString(), "") << "nothing in the logs";
        stopEditor();
        quillet.kill();
        waitUntil([] { return busOwner() == 0; }, 5000);
    }

    /// Starts the editor and waits until it shows the mistaken text.
    virtual void startEditor(const QString& program, const QStringList& args) {
        editor.start(program, args);
        ASSERT_TRUE(editor.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return editorText() == kMistaken; }, 20000))
            << "the editor shows its text: " << editorText().toStdString();
    }
    void stopEditor() { stopProcess(editor); }
    /// A file of the test's own holding the mistaken text.
    QString mistakenFile(const QString& name = QStringLiteral("note.txt")) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kMistaken.toUtf8());
        return file.fileName();
    }
    /// The test editor that takes text only through the paste, writing each change out to its
    /// mirror file; the keyboard moved from the button it opens with into its text.
    void startIgnoringWrites() {
        ASSERT_NO_FATAL_FAILURE(startEditor(
            testEditorBinary(), {"--title", "Ignores writes", "--text-file", mistakenFile("in.txt"),
                                 "--mirror", dir.filePath("out.txt"), "--ignore-accessible-writes"}));
        ASSERT_TRUE(key("tab"));
    }

    /// The text of the editor's field as AT-SPI reads it.
    QString editorText() { return fieldText(editor.processId()).value_or(QStringLiteral("<no field>")); }
    /// Whether the editor's field comes to read `text` within `ms`; what it reads when not.
    testing::AssertionResult fieldReads(const QString& text, int ms = 10000) {
        if (waitUntil([&] { return editorText() == text; }, ms))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "field reads " << editorText().toStdString();
    }
    /// Whether the test editor's mirror file holds `text`: read without a round trip over AT-SPI.
    bool mirrorHolds(const QString& text) {
        QFile mirror(dir.filePath("out.txt"));
        return mirror.open(QIODevice::ReadOnly) && QString::fromUtf8(mirror.readAll()) == text;
    }

    /// Not a check: the time from `pressReturn` in the panel to the corrected text in the mirror file,
    /// printed for the latency scripts; then Ctrl+Z brings back the mistaken text for the next run.
    void timeThePasteAndUndo(const std::function<bool()>& pressReturn) {
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(pressReturn()) << "Return";
        while (!mirrorHolds(kMistakeFixed) && clock.elapsed() < 10000)
            settle(2);
        std::printf("paste-read-back-ms %lld\n", static_cast<long long>(clock.elapsed()));
        std::fflush(stdout);
        ASSERT_TRUE(fieldReads(kMistakeFixed));
        ASSERT_TRUE(key("ctrl+z"));
        ASSERT_TRUE(fieldReads(kMistaken, 5000));
    }

    QuilletUnderTest quillet;
    QTemporaryDir dir;
    QProcess editor;
};

}  // namespace quillet::test
