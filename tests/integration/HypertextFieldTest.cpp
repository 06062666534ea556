// A web page's rich-text editing host (contenteditable) read and selected over AT-SPI, in Firefox
// and Chromium started as a person starts them.
#include <gmock/gmock.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/FocusedField.h"
#include "platform/Accessibility.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/x11/X11Workspace.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

// Two paragraphs, bold and a link in the first; the caret after "This ".
const char* const page = R"(<!doctype html><html><head><meta charset="utf-8"><title>rich</title></head><body>
<div id="ed" contenteditable="true"><p>This is a sentense with <b>bold</b> and <a href="#x">a link</a>.</p><p>Second one.</p></div>
<script>
const ed = document.getElementById('ed');
window.addEventListener('load', () => {
  ed.focus();
  const range = document.createRange();
  range.setStart(ed.querySelector('p').firstChild, 5);
  window.getSelection().removeAllRanges();
  window.getSelection().addRange(range);
});
</script></body></html>)";

const QString shown = QStringLiteral("This is a sentense with bold and a link.\nSecond one.");

class HypertextFieldTest : public testing::Test {
protected:
    // The field AT-SPI reports once the browser's page has the keyboard, its text read in full.
    std::optional<Accessible> fieldOf(DesktopApp& browser) {
        const QString window = browser.window(30000);
        if (window.isEmpty())
            return std::nullopt;
        xdotool({"windowactivate", "--sync", window});
        std::optional<Accessible> field;
        waitUntil(
            [&] {
                // What the program does for Chromium: ask the window's application for the page.
                if (const std::optional<qint32> active = workspace.activePid(); active && *active > 0)
                    ax.exposeContents(ax.application(*active));
                field = ax.focusedElement();
                return field && ax.text(*field) == shown;
            },
            30000);
        return field;
    }
    TextRange selectedRange(const Accessible& field) {
        return ax.selection(field).value_or(TextRange{-1, -1});
    }

    void readAndSelect(DesktopApp& browser) {
        const std::optional<Accessible> field = fieldOf(browser);
        ASSERT_TRUE(field) << "the editing host is the focused field, read as the user sees it";
        EXPECT_EQ(ax.text(*field), shown);
        EXPECT_TRUE(FocusedField::isEditableTextElement(ax, *field));
        EXPECT_EQ(ax.role(*field), QStringLiteral("AXTextArea"));
        EXPECT_EQ(ax.characterCount(*field), shown.size());
        EXPECT_TRUE(waitUntil([&] {
            return selectedRange(*field) == TextRange{5, 0};
        })) << "the caret on the paragraph";
        EXPECT_EQ(ax.caretOffset(*field), 5);

        // A word selected lands in the paragraph; a selection over both paragraphs reads across them.
        ASSERT_EQ(ax.select(*field, TextRange{10, 8}), AccessError::success);
        EXPECT_TRUE(waitUntil([&] { return ax.selectedText(*field) == "sentense"; }));
        xdotool({"key", "shift+ctrl+End"});
        EXPECT_TRUE(waitUntil([&] { return ax.selectedText(*field) == shown.mid(10); }));
        EXPECT_EQ(selectedRange(*field), (TextRange{10, shown.size() - 10}));
        ASSERT_EQ(ax.select(*field, TextRange{0, shown.size()}), AccessError::success);
        EXPECT_TRUE(waitUntil([&] { return ax.selectedText(*field) == shown; }))
            << "a selection over both paragraphs, after one that read the same on the host";

        // The caret in the second paragraph.
        xdotool({"key", "ctrl+Home", "Down"});
        EXPECT_TRUE(waitUntil([&] { return selectedRange(*field) == TextRange{41, 0}; }));
        ASSERT_EQ(ax.select(*field, TextRange{48, 0}), AccessError::success);
        EXPECT_TRUE(waitUntil([&] { return ax.caretOffset(*field) == 48; }));
        // Neither takes an edit in place (Gecko accepts and ignores it, Chromium offers none): the
        // core takes the clipboard's road.
        EXPECT_EQ(ax.replaceText(*field, TextRange{10, 8}, QStringLiteral("sentence")),
                  AccessError::unsupported);
        // A busy browser may not answer the read that follows at once.
        EXPECT_TRUE(waitUntil([&] { return ax.text(*field) == shown; }));

        // What the user types, and a paragraph they add, show in the marks followed on every tick.
        const auto count = [&] { return ax.characterCount(*field); };
        const auto nearCaret = [&] { return ax.textNearCaret(*field).value_or(""); };
        xdotool({"type", "xy"});
        EXPECT_TRUE(waitUntil([&] {
            return count() == shown.size() + 2 && nearCaret().contains("Second xyone");
        })) << nearCaret().toStdString();
        xdotool({"key", "Return"});
        EXPECT_TRUE(waitUntil([&] { return count() == shown.size() + 3; }));
        EXPECT_EQ(ax.text(*field), shown.left(48) + "xy\n" + shown.mid(48));
    }

    QString pageUrl() {
        QFile file(dir.filePath(QStringLiteral("rich.html")));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(page);
        return QStringLiteral("file://") + file.fileName();
    }

    QTemporaryDir dir;
    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
};

}  // namespace

TEST_F(HypertextFieldTest, FirefoxContentEditable) {
    DesktopApp firefox(QStringLiteral("firefox-esr"), {QStringLiteral("--new-instance"),
                                                       QStringLiteral("--profile"), dir.path(), pageUrl()});
    readAndSelect(firefox);
}

TEST_F(HypertextFieldTest, ChromiumContentEditable) {
    DesktopApp chromium(
        QStringLiteral("chromium"),
        {QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
         QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
         QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
         QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"), pageUrl()});
    readAndSelect(chromium);
}
