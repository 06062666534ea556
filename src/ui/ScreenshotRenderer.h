// Draws the program's main views with fixed demonstration data into PNG files, off screen and offline.
#pragma once

#include <QSize>
#include <QString>

namespace quillet {

class Defaults;

namespace ScreenshotRenderer {

/// The key the settings and setup views show as stored.
inline const QString demoKey = QStringLiteral("sk-mock-111111111111");
/// Views are drawn at twice their size in points, as on a high-density screen.
constexpr int pixelRatio = 2;

/// Renders the suggestion panel on both tabs, the settings and setup views and the overlay icon into
/// `directory` (created with any missing parents; a relative path is taken from the current folder),
/// printing one line per image and a closing line on standard output. Preferences are read from
/// `preferences` when given and never written back; nothing is read from or written to the secret
/// store, and no request leaves the process. The setup view starts as it would on this desktop:
/// on its permission step, showing `accessibilityOn` as the desktop's answer. Needs a QApplication;
/// any Qt platform will do.
void renderAll(const QString& directory, const Defaults* preferences = nullptr, bool accessibilityOn = false);

}  // namespace ScreenshotRenderer

}  // namespace quillet
