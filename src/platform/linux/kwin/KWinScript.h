// What Quillet and its helper script inside KWin say to each other: the script's text for the KWin
// at hand, the window it reports and the orders it carries out. Pure: no KWin needed.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <optional>

#include "platform/linux/shared/ScreenPosition.h"

namespace quillet::KWinScript {

/// The active window as the script reports it: its process (0 when none is active) and rectangles.
struct ActiveWindow {
    qint32 pid = 0;
    ScreenPosition::WindowRects rects;
};

/// The script for Plasma `plasmaVersion` (5 or 6: KWin 6 renamed its module and workspace) from the
/// shipped `templateText`, talking to the bus name `service` only, placing process `pid`'s windows and
/// showing `secret` with every call, which tells its calls from those of any other script in KWin.
/// Empty when the name, the secret or the template is unfit to be written into a script.
std::optional<QString> text(const QString& templateText, int plasmaVersion, const QString& service,
                            qint64 pid, const QString& secret);

/// Whether `secret` is fit to be the script's: long enough not to be guessed, and plain letters and
/// digits that cannot end the string it goes in.
bool fitSecret(const QString& secret);

/// The Plasma version to load the script for: the one of the running KWin, from the "KWin version:"
/// line of its support information; where that says none, KDE_SESSION_VERSION's (5 when unset or
/// unknown). A session may be started with an old variable, or none, under a newer KWin.
int plasmaVersion(const QString& kwinSupportInformation, const QString& sessionVersion);

/// The script's report of the active window; empty when it is not one.
std::optional<ActiveWindow> activeWindow(const QByteArray& json);

/// Orders, as the script reads them (one JSON object each).
QByteArray showIcon(const QRect& rect, const QString& look, const QString& tooltip);
QByteArray hideIcon();
QByteArray place(const QString& title, const QRect& rect, bool focus);
QByteArray activate(qint32 pid);
QByteArray quit();
/// Whether `order` shows or hides the icon: a later one of those makes it moot.
bool concernsIcon(const QByteArray& order);

}  // namespace quillet::KWinScript
