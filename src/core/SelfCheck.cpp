// The diagnostic report of `quillet --doctor`: permission, displays, and the focused field.
#include "core/SelfCheck.h"

#include <cmath>

#include "core/FocusedField.h"
#include "core/ManualAccessibility.h"
#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

namespace quillet::SelfCheck {

namespace {

// Truncated toward zero; never "-0". Numbers that are not finite print as "nan" or "inf".
QString whole(double v) {
    if (!std::isfinite(v))
        return QString::number(v);
    double t = std::trunc(v);
    if (t == 0)
        t = 0;
    return QString::number(t, 'f', 0);
}

}  // namespace

QString line(std::optional<bool> ok, const QString& label, const QString& detail) {
    const QString mark = !ok   ? QStringLiteral("\u2022")
                         : *ok ? QStringLiteral("\u2713")
                               : QStringLiteral("\u2717");
    QString text = QStringLiteral("  ") + mark + QLatin1Char(' ') + label;
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail;
    return text;
}

QString rect(const Rect& r) {
    return QStringLiteral("(%1,%2) %3\u00D7%4")
        .arg(whole(r.x()), whole(r.y()), whole(r.width()), whole(r.height()));
}

void run(Accessibility& ax, Workspace& workspace, Screens& screens,
         const std::function<void(const QString&)>& print, const QString& mode,
         const QStringList& desktopLines, const std::function<void(std::chrono::milliseconds)>& wait,
         bool sessionBus) {
    print(QStringLiteral("Quillet doctor"));
    print(QString(14, QChar(0x2500)));
    if (!mode.isEmpty())
        print(line(std::nullopt, QStringLiteral("Session"), mode));
    if (!sessionBus)
        print(
            line(false, QStringLiteral("Session bus"),
                 QStringLiteral("none \u2014 DBUS_SESSION_BUS_ADDRESS is not set; start Quillet from within "
                                "the desktop session")));
    for (const QString& desktopLine : desktopLines)
        print(desktopLine);

    const bool trusted = ax.accessibilityEnabled();
    print(line(
        trusted, QStringLiteral("Accessibility permission"),
        trusted ? QStringLiteral("granted")
                : QStringLiteral("NOT granted \u2014 enable assistive technologies (accessibility) in your "
                                 "desktop settings")));

    print(line(std::nullopt, QStringLiteral("Displays")));
    const QList<ScreenInfo> all = screens.screens();
    for (const ScreenInfo& s : all) {
        const bool primary = &s == &all.first();
        print(QStringLiteral("      %1 %2\u00D7%3 @ (%4,%5)")
                  .arg(primary ? QStringLiteral("primary") : QStringLiteral("secondary"),
                       whole(s.frame.width()), whole(s.frame.height()), whole(s.frame.x()),
                       whole(s.frame.y())));
    }

    if (!trusted) {
        print(QStringLiteral(
            "\nGrant the permission, then run again. The app must be restarted after granting."));
        return;
    }

    // A browser shows its pages only once asked, and a short while after: asked as the running
    // program asks the application the user brought to the front.
    if (const std::optional<RunningApplication> front = workspace.activeApplication();
        front && front->pid != workspace.ownPid())
        ManualAccessibility(ax).request(front->pid);

    // A large or slow window is searched over several reads; the report asks a few times.
    Accessible element;
    AccessError err = AccessError::noValue;
    for (int attempt = 0; attempt < focusReadAttempts && element.isNull(); ++attempt) {
        if (attempt > 0 && wait)
            wait(focusReadPause);
        const Answer<Accessible> focused = ax.focusedElement();
        err = focused.error();
        if (focused)
            element = *focused;
    }
    if (element.isNull()) {
        print(line(false, QStringLiteral("Focused element"),
                   QStringLiteral("none (err %1). Click into a text field, then run again.").arg(int(err))));
        return;
    }

    qint32 owner = 0;
    ax.pid(element, owner);
    std::optional<QString> appName;
    if (std::optional<RunningApplication> app = workspace.runningApplication(owner))
        appName = app->name;
    const QString role = ax.role(element).value_or(QStringLiteral("?"));
    print(line(
        true, QStringLiteral("Focused element"),
        role + QStringLiteral(" in ") + (appName && !appName->isEmpty() ? *appName : QStringLiteral("?"))));

    print(line(FocusedField::isEditableTextElement(ax, element),
               QStringLiteral("Recognized as editable text field")));

    if (std::optional<FocusedField> field = FocusedField::from(ax, workspace, element)) {
        print(line(true, QStringLiteral("Word count"), QString::number(field->wordCount(ax))));
        print(line(!field->isSecure(ax), QStringLiteral("Not a secure (password) field")));
        const std::optional<Rect> frame = ax.frame(element);
        if (frame && !all.isEmpty()) {
            print(line(std::nullopt, QStringLiteral("AX frame (top-left)"), rect(*frame)));
            // The same frame counted from the primary screen's bottom-left corner, y up, as the
            // report has always given it beside the other.
            const Rect& primary = all.first().frame;
            const Rect upward(frame->x(), maxY(primary) - frame->y() - frame->height(), frame->width(),
                              frame->height());
            print(line(std::nullopt, QStringLiteral("Converted AppKit frame"), rect(upward)));
            bool visible = false;
            for (const ScreenInfo& s : all) {
                if (s.frame.intersects(*frame)) {
                    visible = true;
                    break;
                }
            }
            print(line(visible, QStringLiteral("Overlay position lands on a visible screen")));
        }
    }
    print(QStringLiteral("\nDone."));
}

}  // namespace quillet::SelfCheck
