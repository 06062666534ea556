// Draws the program's main views with fixed demonstration data into PNG files, off screen and offline.
#pragma once

#include <QSize>
#include <QString>

namespace quillet {

class Accessibility;
class Defaults;
class HttpTransport;
class LanguageRecognizer;
class Autostart;
class Clipboard;
class Scheduler;
class SecretStore;
class SystemLog;

namespace ScreenshotRenderer {

/// The key the settings and setup views show as stored.
inline const QString demoKey = QStringLiteral("sk-mock-111111111111");
/// Views are drawn at twice their size in points, as on a high-density screen.
constexpr int pixelRatio = 2;

/// What the views are drawn on. The pictures take whatever these hold (preferences, the stored key,
/// the accessibility switch), so they must be doubles that keep to this process; the scheduler
/// must never fire, as every picture is taken before anything would be due.
struct Services {
    Defaults& defaults;
    SecretStore& secrets;
    Autostart& autostart;
    SystemLog& log;
    Scheduler& scheduler;
    HttpTransport& http;
    LanguageRecognizer& languages;
    Clipboard& clipboard;
    Accessibility& accessibility;
};

/// Renders the suggestion panel on both tabs, each page of the settings, each step of the setup and
/// the overlay icon into `directory` (created with any missing parents; a relative path is taken from
/// the current folder), printing one line per image and a closing line on standard output. The settings store
/// is installed for the views while they are drawn, and the one installed before is put back, as are the
/// application's style and palette. Needs a QApplication; any Qt platform will do.
void renderAll(const QString& directory, const Services& services);

}  // namespace ScreenshotRenderer

}  // namespace quillet
