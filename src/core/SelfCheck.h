// The diagnostic report of `quillet --doctor`: permission, displays, and the focused field.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

#include "base/Geometry.h"

namespace quillet {

class Accessibility;
class Screens;
class Workspace;

namespace SelfCheck {

/// How often the focused element is asked for before the report says there is none,
constexpr int focusReadAttempts = 20;
/// and how long the report waits between two attempts: a browser asked for its pages shows them
/// within this many attempts.
constexpr std::chrono::milliseconds focusReadPause{50};

/// Prints the report, one call of `print` per printed text (each ends a line). Changes nothing in the
/// user's applications; the one in front is asked to show its contents, as the running program does.
/// `mode`, when given, names the kind of session the program works in ("X11", "Wayland");
/// `desktopLines`, report lines on what the desktop lends the program, follow it. `wait` lets time
/// pass (with the event loop running) between reads of the focus; without it they follow one another
/// at once. Without `sessionBus` the report says there is none.
void run(Accessibility& ax, Workspace& workspace, Screens& screens,
         const std::function<void(const QString&)>& print, const QString& mode = QString(),
         const QStringList& desktopLines = {},
         const std::function<void(std::chrono::milliseconds)>& wait = {}, bool sessionBus = true);

/// One report line: two spaces, the mark (✓ passed, ✗ failed, • information), the label, and
/// ": " plus the detail when there is one.
QString line(std::optional<bool> ok, const QString& label, const QString& detail = QString());
/// "(x,y) w×h", each number truncated toward zero.
QString rect(const Rect& r);

}  // namespace SelfCheck
}  // namespace quillet
