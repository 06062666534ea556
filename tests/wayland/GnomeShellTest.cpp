// The real program in a headless GNOME Shell session with its shell extension, as a person uses it
// there: editors started after Quillet (gedit, gnome-text-editor, a Qt 6 field), the icon at the
// field's corner, a click on it, the panel beside it, Return, Undo in the desktop's notification;
// the paste into a field that ignores accessibility writes, with the user's clipboard back; the
// shortcut. Without the
// extension: today's behaviour, and the hint. The shell is asked what a person sees through
// tests/session/shell-probe.
#include "GnomeShellSession.h"

namespace {

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

TEST_F(GnomeShellTest, TheIconSitsAtTheFieldAndTheCorrectionWorksInEveryToolkit) {
    startEditor("gedit", {"--standalone", mistakenFile()});
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

    startEditor("gnome-text-editor", {"--standalone", mistakenFile()});
    expectIconAtTheFieldsCorner("gnome-text-editor", Origin::frame);
    clickReturnUndo("gnome-text-editor");
    stopEditor();

    startEditor(qEnvironmentVariable("QUILLET_TEXT_FIELD"), {kMistaken});
    expectIconAtTheFieldsCorner("Qt 6", Origin::insideQtsTitleBar);
    clickReturnUndo("Qt 6");
}

TEST_F(GnomeShellTest, AFieldThatIgnoresWritesGetsThePasteAndTheClipboardComesBack) {
    setClipboardText("the user's own clipboard");
    ASSERT_NO_FATAL_FAILURE(startIgnoringWrites());
    ASSERT_TRUE(click(iconShown()->center()));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(fieldReads(kMistakeFixed));
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

// The correction Quillet lends the clipboard for the paste, as the shell holds it: byte for byte,
// line ends and emoji included.
TEST_F(GnomeShellTest, TheTextLentForThePasteIsKeptByteForByte) {
    const QString corrected = QStringLiteral("There is a mistake here.\r\nAnd a second line \U0001F600.");
    quillet.server.model.correct = [&](const QString&) { return corrected; };
    // Each new owner of the clipboard, read at once: the lent text is there only until it is put back.
    ASSERT_TRUE(shell("(() => { probe.owners = []; probe.ownerWatch = global.display.get_selection().connect("
                      "'owner-changed', (s, type) => { if (type !== Meta.SelectionType.SELECTION_CLIPBOARD) "
                      "return; const c = St.Clipboard.get_default(), seen = { types: "
                      "c.get_mimetypes(St.ClipboardType.CLIPBOARD) }; probe.owners.push(seen); "
                      "c.get_content(St.ClipboardType.CLIPBOARD, 'text/plain;charset=utf-8', (cc, b) => "
                      "{ seen.bytes = b ? Array.from(b.toArray()) : null; }); }); return true; })()")
                    .toBool());
    ASSERT_NO_FATAL_FAILURE(startIgnoringWrites());
    ASSERT_TRUE(click(iconShown()->center()));
    ASSERT_TRUE(waitUntil([&] { return quillet.shows("And a second line"); }, 20000)) << "the panel opens";
    ASSERT_TRUE(key("Return"));
    QJsonArray expected;
    for (const char byte : corrected.toUtf8())
        expected.append(int(static_cast<unsigned char>(byte)));
    const auto lent = [&] {
        for (const QJsonValue& owner : shell("probe.owners").toArray())
            if (owner.toObject()["bytes"].toArray() == expected)
                return true;
        return false;
    };
    EXPECT_TRUE(waitUntil(lent, 10000))
        << QJsonDocument(shell("probe.owners").toArray()).toJson(QJsonDocument::Compact).toStdString();
    shell("global.display.get_selection().disconnect(probe.ownerWatch)");
}

// A session whose shell has no Quillet extension: the trigger as before, and the hint.
TEST_F(GnomeShellTest, WithoutTheExtensionTheTriggerWorksAndTheHintSaysHowToTurnItOn) {
    startEditor("gedit", {"--standalone", mistakenFile()});
    const std::string report = selfCheck();
    EXPECT_THAT(report, testing::HasSubstr("  ✗ GNOME Shell extension: It is not installed."));
    EXPECT_THAT(report, testing::HasSubstr("gnome-extensions enable quillet@lumenfold.com"));
    EXPECT_TRUE(quillet.shows("gnome-extensions enable quillet@lumenfold.com")) << "the settings say so";
    EXPECT_TRUE(holdsFor([] { return !iconShown(); }, 1500)) << "no icon";
    EXPECT_EQ(runProgram(quilletBinary(), {"--trigger"}), 0);
    ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << "the panel opens";
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(fieldReads(kMistakeFixed));
}

// Not a check: the figures `tools/gnome-latency.sh` reports. Twenty times each: from a click into a
// field to the icon drawn at it (timed in the shell), and from Return in the panel to the text in a
// field that takes it only through the paste (as the editor writes it out).
TEST_F(GnomeShellTest, MeasureLatency) {
    ASSERT_NO_FATAL_FAILURE(startIgnoringWrites());
    const QRectF text = trueFieldFrame(editor.processId(), Origin::insideQtsTitleBar).value_or(QRectF());
    for (int run = 0; run < 20; ++run) {
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
        ASSERT_NO_FATAL_FAILURE(timeThePasteAndUndo([] { return shell("probe.key(28)").toBool(); }));
    }
}

}  // namespace
