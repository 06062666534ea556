// The clipboard Quillet lends under KWin, as another program on the session reads it: the text byte
// for byte, with the hint beside it that tells clipboard managers to keep none of it; the user's own
// clipboard, put back, goes without it.
#include <gmock/gmock.h>

#include <QProcess>

#include "platform/fake/FakeClipboard.h"
#include "platform/linux/wayland/WlClipboard.h"

using namespace quillet;

namespace {

/// What wl-paste reads from the clipboard with `args`, as it gives it.
QByteArray pasted(const QStringList& args) {
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), args);
    return paste.waitForFinished(5000) && paste.exitCode() == 0 ? paste.readAllStandardOutput() : "<none>";
}

/// Another program's copy: wl-copy stays behind to serve it, holding none of the test's pipes.
void copyElsewhere(const QString& text) {
    QProcess copy;
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.setStandardErrorFile(QProcess::nullDevice());
    copy.start(QStringLiteral("wl-copy"), {text});
    copy.waitForFinished(5000);
}

QStringList typesOffered() {
    return QString::fromUtf8(pasted({QStringLiteral("--list-types")})).split(u'\n', Qt::SkipEmptyParts);
}

TEST(WlClipboardTest, LentTextGoesWithTheHintAndTheUsersOwnComesBackWithoutIt) {
    WlToolsClipboard board(std::make_unique<FakeClipboard>());
    ASSERT_TRUE(board.isAvailable());
    const QByteArray text = QStringLiteral("Line one\r\nšđčćž “quoted”\t\n\n").toUtf8();
    ClipboardItem lent{{ClipboardType::plainText, text}, {ClipboardType::passwordManagerHint, "secret"}};

    for (int round = 0; round < 2; ++round) {
        board.write({lent});
        EXPECT_THAT(typesOffered(), testing::IsSupersetOf({"text/plain;charset=utf-8", "text/plain",
                                                           "UTF8_STRING", "x-kde-passwordManagerHint"}))
            << "round " << round;
        for (const char* type : {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING"})
            EXPECT_EQ(pasted({"--no-newline", "--type", type}), text) << type;
        EXPECT_EQ(pasted({"--type", "x-kde-passwordManagerHint"}), "secret");
        // Read back by this program too, which serves it meanwhile.
        EXPECT_EQ(board.plainText(), QString::fromUtf8(text));
        // Another program's copy takes its place; the next lending still holds.
        copyElsewhere(QStringLiteral("another program's copy"));
        EXPECT_EQ(pasted({"--no-newline"}), "another program's copy");
    }

    board.write({ClipboardItem{{ClipboardType::plainText, "the user's own"}}});
    EXPECT_EQ(pasted({"--no-newline"}), "the user's own");
    EXPECT_THAT(typesOffered(), testing::Not(testing::Contains("x-kde-passwordManagerHint")));
}

}  // namespace
