// What an application's toolkit, as the accessibility bus names it, says about how to talk to it.
#pragma once

#include <QStringView>

namespace quillet::Toolkits {

/// Whether the toolkit is a browser engine of the Chromium family (Chromium, Chrome, Electron and the
/// applications built on them), which shows only its windows' frames until someone asks it for its
/// contents, and then shows every page of that process.
bool exposesPagesOnlyWhenAsked(QStringView toolkitName);

}  // namespace quillet::Toolkits
