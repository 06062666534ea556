// The screenshot mode: the program's views drawn on a demonstration platform, off screen and offline.
#pragma once

#include <QString>

#include "app/Platform.h"

namespace quillet::ScreenshotMode {

/// Services that keep everything inside this process, so the pictures never depend on, or change,
/// the user's keyring, preferences, clipboard or network: the user's `preferences` read (when
/// given) and never written, a secret store holding only the demonstration key, a network that
/// never answers, a clock that stands still, and a desktop whose accessibility switch is
/// `accessibilityOn`.
Platform demoPlatform(const Defaults* preferences, bool accessibilityOn);

/// Renders every picture into `directory` on demoPlatform(preferences, accessibilityOn); see
/// ScreenshotRenderer::renderAll.
void run(const QString& directory, const Defaults* preferences = nullptr, bool accessibilityOn = false);

}  // namespace quillet::ScreenshotMode
