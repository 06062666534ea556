// TextIO against a real mousepad document over AT-SPI: the whole value, only the selection, and the
// secure-input refusals. What a replacement costs is measured in bench/FocusTracking.cpp.
#include <gmock/gmock.h>

#include "core/PasteTarget.h"
#include "core/TextIO.h"
#include "platform/Accessibility.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/x11/X11Clipboard.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestKeySynth.h"
#include "support/DesktopApps.h"
#include "support/TestEnv.h"

using namespace quillet;
using namespace quillet::test;

namespace {

class FieldReplacementTest : public testing::Test {
protected:
    // The focused field of `app` once its window is active and AT-SPI knows the field.
    std::optional<FocusedField> focusedFieldOf(DesktopApp& app) {
        if (app.window().isEmpty())
            return std::nullopt;
        std::optional<FocusedField> field;
        waitUntil(
            [&] {
                std::optional<Accessible> e = ax.focusedElement();
                if (e)
                    field = FocusedField::from(ax, workspace, *e);
                return field && field->pid == app.pid();
            },
            10000);
        return field;
    }
    QString valueOf(const FocusedField& field) { return ax.text(field.element).value_or("<unreadable>"); }
    /// The road a replacement took; empty when it failed (or never finished).
    std::optional<TextIO::Strategy> replace(const FocusedField& field, const QString& text,
                                            bool selectionOnly) {
        const auto outcome =
            answerOf<TextIO::Outcome>([&](auto done) { io.replace(field, text, selectionOnly, done); });
        return outcome ? outcome->strategy : std::nullopt;
    }

    X11Workspace workspace;
    AtspiAccessibility ax{[this] { return workspace.activePid(); }};
    QtScheduler scheduler;
    X11Clipboard board;
    XTestKeySynth keys{scheduler};
    TextIO io{ax, board, keys, workspace, scheduler};
};

}  // namespace

TEST_F(FieldReplacementTest, WholeDocumentAndSelectionInMousepad) {
    DesktopApp mousepad(QStringLiteral("mousepad"), {});
    std::optional<FocusedField> field = focusedFieldOf(mousepad);
    ASSERT_TRUE(field);

    const QString whole = QString::fromUtf8("👋 one two three\nčetiri pet");
    EXPECT_EQ(replace(*field, whole, false), TextIO::Strategy::axValue);
    EXPECT_EQ(valueOf(*field), whole);

    // "two", counted in UTF-16 code units past the emoji.
    ASSERT_EQ(ax.select(field->element, TextRange{7, 3}), AccessError::success);
    EXPECT_EQ(field->selectedText(ax), "two");
    EXPECT_EQ(replace(*field, QString::fromUtf8("два"), true), TextIO::Strategy::axSelectedText);
    EXPECT_EQ(valueOf(*field), QString::fromUtf8("👋 one два three\nčetiri pet"));
}

TEST_F(FieldReplacementTest, SecureInputRefusesEveryClipboardPath) {
    DesktopApp password(QStringLiteral("zenity"), {"--password", "--title", "Quillet secret"});
    ASSERT_FALSE(password.window().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return ax.passwordFieldFocused(); }, 10000));

    const qint64 before = board.serial();
    std::optional<bool> sent;
    io.pasteReplacement("must not be typed", PasteTarget{0}, [&](bool s) { sent = s; });
    std::optional<std::optional<QString>> copied;
    io.copyFocusedSelection([&](std::optional<QString> text) { copied = text; });
    ASSERT_TRUE(copied.has_value());
    EXPECT_EQ(*copied, std::nullopt);
    EXPECT_EQ(
        replace(FocusedField{Accessible(), static_cast<qint32>(password.pid()), std::nullopt}, "x", false),
        std::nullopt);
    // Told only once the clipboard would have been given back.
    ASSERT_TRUE(waitUntil([&] { return sent.has_value(); }, 5000));
    EXPECT_FALSE(*sent);
    EXPECT_EQ(board.serial(), before);
}
