// The session the GNOME Shell tests share: the real program in a headless GNOME Shell with its
// shell extension, the shell asked what a person sees through tests/session/shell-probe.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>

#include "wayland/EditorSession.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const QString shellService = QStringLiteral("org.gnome.Shell");

/// Runs `code` in the shell (see the probe extension); its value, or null on any failure.
QJsonValue shell(const QString& code, int timeoutMs = 10000) {
    QDBusMessage call = QDBusMessage::createMethodCall(shellService, "/com/lumenfold/quillet/Probe",
                                                       "com.lumenfold.quillet.Probe", "Eval");
    call << code;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return QJsonValue();
    return QJsonDocument::fromJson("[" + reply.arguments().value(0).toString().toUtf8() + "]").array().at(0);
}

/// Where the shell shows Quillet's icon, and its state; empty while it shows none.
std::optional<QRectF> iconShown(QString* state = nullptr) {
    const QJsonValue v = shell(
        "Main.layoutManager.uiGroup.get_children().filter(a => a.visible && "
        "(a.style_class || '').split(' ').includes('quillet-icon')).map(a => [a.x, a.y, a.width, a.height, "
        "a.style_class])[0] ?? null");
    if (!v.isArray())
        return std::nullopt;
    if (state)
        *state = v.toArray().at(4).toString().section('-', -1);
    return rectOf(v);
}

/// The window of process `pid` titled `title`, as the shell has it; without a title, its focused one.
std::optional<QJsonObject> window(qint64 pid, const QString& title = {}) {
    for (const QJsonValue& w : shell("probe.windows()").toArray()) {
        const QJsonObject o = w.toObject();
        if (o["pid"].toInteger() == pid && (title.isEmpty() ? o["focus"].toBool() : o["title"] == title))
            return o;
    }
    return std::nullopt;
}

bool click(const QPointF& at) {
    return shell(QStringLiteral("probe.click(%1, %2)").arg(at.x()).arg(at.y())).toBool();
}

QString clipboardText() {
    return shell(
               "new Promise(r => St.Clipboard.get_default().get_text(St.ClipboardType.CLIPBOARD, "
               "(c, t) => r(t)))")
        .toString();
}

void setClipboardText(const QString& text) {
    shell(QStringLiteral("St.Clipboard.get_default().set_text(St.ClipboardType.CLIPBOARD, %1)")
              .arg(QString::fromUtf8(
                  QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).mid(1).chopped(1))));
}

/// Which of the compositor's rectangles a toolkit's window coordinates count from, as screenshots
/// showed for each: GTK 3 the buffer (its shadows included), GTK 4 the frame, and Qt 6, which draws
/// its own title bar inside the frame, the frame less even side and bottom borders and the bar.
enum class Origin { buffer, frame, insideQtsTitleBar };

/// Where the focused field of `pid` truly lies on screen, from the toolkit's own answers and the
/// window's rectangles in the shell.
std::optional<QRectF> trueFieldFrame(qint64 pid, Origin origin) {
    const QJsonObject answers = QJsonDocument::fromJson(readAccessible(pid, {"--frames"}).toUtf8()).object();
    const std::optional<QJsonObject> win = window(pid);
    if (answers.isEmpty() || !win)
        return std::nullopt;
    const QRectF frame = rectOf((*win)["frame"]), buffer = rectOf((*win)["buffer"]);
    const QSizeF top(answers["top"].toArray().at(0).toDouble(), answers["top"].toArray().at(1).toDouble());
    QPointF at = origin == Origin::buffer ? buffer.topLeft() : frame.topLeft();
    if (origin == Origin::insideQtsTitleBar) {
        const double side = (frame.width() - top.width()) / 2;
        at += QPointF(side, frame.height() - top.height() - side);
    }
    return rectOf(answers["field"]).translated(at);
}

class GnomeShellTest : public EditorSessionTest {
protected:
    /// The shell keeps the notices of the earlier tests' Quillets, whose sender it cannot tell gone: a
    /// test that presses a notice's button must find only its own.
    void SetUp() override {
        shell("Main.messageTray.getSources().forEach(s => s.destroy())");
        EditorSessionTest::SetUp();
    }

    /// The test editor that ignores writes, the icon at its text.
    void startIgnoringWrites() {
        ASSERT_NO_FATAL_FAILURE(EditorSessionTest::startIgnoringWrites());
        ASSERT_TRUE(waitUntil([] { return iconShown().has_value(); }, 10000)) << "the icon at the text";
    }

    /// The icon at the field's corner: 8 points in from its right and bottom edges, as on X11.
    void expectIconAtTheFieldsCorner(const char* what, Origin origin) {
        std::optional<QRectF> icon;
        ASSERT_TRUE(waitUntil([&] { return (icon = iconShown()).has_value(); }, 10000))
            << what << ": no icon; a fresh look says:\n"
            << selfCheck();
        const std::optional<QRectF> field = trueFieldFrame(editor.processId(), origin);
        ASSERT_TRUE(field) << what;
        EXPECT_NEAR(icon->x(), field->right() - 32, 2) << what;
        EXPECT_NEAR(icon->y(), field->bottom() - 32, 2) << what;
        EXPECT_EQ(icon->size(), QSizeF(24, 24)) << what;
    }

    /// A click on the icon opens the panel beside it; Return writes, Undo in the notice restores.
    void clickReturnUndo(const char* what) {
        const std::optional<QRectF> icon = iconShown();
        ASSERT_TRUE(icon) << what;
        ASSERT_TRUE(click(icon->center()));
        ASSERT_TRUE(waitUntil([&] { return quillet.shows(kMistakeFixed); }, 20000)) << what << ": the panel";

        std::optional<QJsonObject> panel;
        ASSERT_TRUE(waitUntil([&] { return (panel = window(quillet.pid(), "Quillet")).has_value(); }, 5000))
            << what << ": the panel's window; windows "
            << QJsonDocument(shell("probe.windows()").toArray()).toJson(QJsonDocument::Compact).toStdString();
        // Right edges aligned, 6 points below the icon, or above it when below does not fit.
        const QRectF at = rectOf((*panel)["frame"]);
        EXPECT_TRUE(waitUntil(
            [&] {
                const QRectF now = rectOf((*window(quillet.pid(), "Quillet"))["frame"]);
                return std::abs(now.right() - icon->right()) <= 2 &&
                       (std::abs(now.top() - icon->bottom() - 6) <= 2 ||
                        std::abs(icon->top() - now.bottom() - 6) <= 2);
            },
            3000))
            << what << ": panel at " << at.x() << "," << at.y() << ", icon at " << icon->x() << ","
            << icon->y() << "; windows "
            << QJsonDocument(shell("probe.windows()").toArray()).toJson(QJsonDocument::Compact).toStdString();
        EXPECT_TRUE((*panel)["focus"].toBool() ||
                    waitUntil([&] { return (*window(quillet.pid(), "Quillet"))["focus"].toBool(); }))
            << what << ": the panel has the keyboard";
        ASSERT_TRUE(key("Return"));
        EXPECT_TRUE(fieldReads(kMistakeFixed)) << what;
        EXPECT_TRUE(
            waitUntil([] { return shell("probe.pressNotification('Replaced', 'Undo')").toBool(); }, 5000))
            << what << ": the notice with Undo; the shell has "
            << QJsonDocument(shell("probe.notifications()").toArray())
                   .toJson(QJsonDocument::Compact)
                   .toStdString();
        EXPECT_TRUE(fieldReads(kMistaken)) << what;
    }
};

}  // namespace
