// The screenshot mode: the program's views drawn with demonstration data, off screen and offline.
#include "app/ScreenshotMode.h"

#include "core/KeychainManager.h"
#include "core/ServerKeys.h"
#include "platform/Defaults.h"
#include "ui/ScreenshotRenderer.h"

namespace quillet::ScreenshotMode {

void render(const QString& directory, Platform& offline) {
    // The offline store answers at once, so the key is there before anything reads it.
    const QByteArray key = ScreenshotRenderer::demoKey.toUtf8();
    offline.secrets->write(KeychainManager::itemFor({}), key, [](SecretStore::Status) {});
    if (const std::optional<QString> server = offline.defaults->string(QStringLiteral("apiBaseURL")))
        offline.secrets->write(KeychainManager::itemFor(ServerKeys::slotOf(*server)), key,
                               [](SecretStore::Status) {});
    ScreenshotRenderer::renderAll(
        directory, {*offline.defaults, *offline.secrets, *offline.autostart, *offline.log, *offline.scheduler,
                    *offline.http, *offline.languages, *offline.clipboard, *offline.accessibility});
}

void run(const QString& directory, const Defaults* preferences, bool accessibilityOn) {
    Platform offline = makeOfflinePlatform(preferences, accessibilityOn);
    render(directory, offline);
}

}  // namespace quillet::ScreenshotMode
