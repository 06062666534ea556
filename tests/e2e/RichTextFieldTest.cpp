// The real program at a web page's rich-text editor (contenteditable) in Firefox and Chromium: the
// icon at the editor, and the shortcut sending its paragraphs as the user reads them.
#include <gmock/gmock.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/DesktopApps.h"
#include "support/QuilletUnderTest.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const char* const page = R"(<!doctype html><html><head><meta charset="utf-8"><title>rich</title></head><body>
<div contenteditable="true" style="width:600px;height:200px"><p>Their is a mistak in <b>bold</b> and <a href="#x">a link</a>.</p><p>Second one.</p></div>
<script>window.addEventListener('load', () => document.querySelector('div').focus());</script>
</body></html>)";

// The icon shows at the editor of `browser` started with `args` on the page, and the shortcut sends
// the paragraphs joined by a line feed.
void iconAndShortcut(const QString& browser, QStringList args) {
    QuilletUnderTest quillet;
    ASSERT_TRUE(quillet.ready());
    QString sent;
    quillet.server.model.correct = [&](const QString& text) {
        sent = text;
        return mendMistakes(text);
    };
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("rich.html")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(page);
    file.close();
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("profile"))));
    args.replaceInStrings(QStringLiteral("{profile}"), dir.filePath(QStringLiteral("profile")));
    args << QStringLiteral("file://") + file.fileName();
    QProcess app;
    app.start(browser, args);
    ASSERT_TRUE(app.waitForStarted());
    ASSERT_TRUE(activateWindowOf(app.processId(), 30000));
    ASSERT_TRUE(quillet.start());
    ASSERT_TRUE(closeStartupSettings());
    ASSERT_TRUE(activateWindowOf(app.processId()));

    EXPECT_TRUE(waitUntil([&] { return surfaceShown(Surface::icon).has_value(); }, 20000))
        << "the icon at the editor";
    pressHotkeyUntil([&] { return !sent.isEmpty(); });
    EXPECT_EQ(sent, QStringLiteral("Their is a mistak in bold and a link.\nSecond one."));
    stopProcess(app);
    quillet.kill();
}

}  // namespace

TEST(RichTextFieldTest, Firefox) {
    iconAndShortcut(
        QStringLiteral("firefox-esr"),
        {QStringLiteral("--new-instance"), QStringLiteral("--profile"), QStringLiteral("{profile}")});
}

TEST(RichTextFieldTest, Chromium) {
    iconAndShortcut(QStringLiteral("chromium"),
                    {QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                     QStringLiteral("--user-data-dir={profile}"), QStringLiteral("--no-first-run"),
                     QStringLiteral("--disable-background-networking"),
                     QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync")});
}
