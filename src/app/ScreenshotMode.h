// The screenshot mode: the program's views drawn with demonstration data, off screen and offline.
#pragma once

#include <QString>

#include "app/Platform.h"

namespace quillet::ScreenshotMode {

/// Renders every picture into `directory` with the services of `offline` (see makeOfflinePlatform),
/// after storing the demonstration key there for the server the preferences name and for the
/// default one; see ScreenshotRenderer::renderAll.
void render(const QString& directory, Platform& offline);

/// The same on makeOfflinePlatform(preferences, accessibilityOn).
void run(const QString& directory, const Defaults* preferences = nullptr, bool accessibilityOn = false);

}  // namespace quillet::ScreenshotMode
