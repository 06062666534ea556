// The screenshot mode: the program's views drawn on a demonstration platform, off screen and offline.
#include "app/ScreenshotMode.h"

#include "core/KeychainManager.h"
#include "core/ServerKeys.h"
#include "platform/Defaults.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeGlobalHotkey.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeKeySynth.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/fake/FakeWindowHints.h"
#include "ui/ScreenshotRenderer.h"

namespace quillet::ScreenshotMode {

Platform demoPlatform(const Defaults* preferences, bool accessibilityOn) {
    Platform p;
    // Never advanced: no timer fires and no deferred call runs, so no request is ever answered.
    p.scheduler = std::make_unique<FakeScheduler>();
    // The demonstration key is stored for the server the preferences name, as for the default one.
    auto secrets = std::make_unique<FakeSecretStore>();
    secrets->items[KeychainManager::itemFor({})] = ScreenshotRenderer::demoKey.toUtf8();
    if (const std::optional<QString> server =
            preferences ? preferences->string(QStringLiteral("apiBaseURL")) : std::nullopt)
        secrets->items[KeychainManager::itemFor(ServerKeys::slotOf(*server))] =
            ScreenshotRenderer::demoKey.toUtf8();
    p.secrets = std::move(secrets);
    auto defaults = std::make_unique<FakeDefaults>();
    defaults->fallback = preferences;
    p.defaults = std::move(defaults);
    p.loginItem = std::make_unique<FakeLoginItem>();
    p.log = std::make_unique<FakeSystemLog>();
    p.workspace = std::make_unique<FakeWorkspace>();
    auto accessibility = std::make_unique<FakeAccessibility>();
    accessibility->trusted = accessibilityOn;
    p.accessibility = std::move(accessibility);
    p.screens = std::make_unique<FakeScreens>();
    p.http = std::make_unique<FakeHttpTransport>(*p.scheduler);
    auto languages = std::make_unique<FakeLanguageRecognizer>();
    languages->answer.reset();
    p.languages = std::move(languages);
    p.pasteboard = std::make_unique<FakePasteboard>();
    p.keys = std::make_unique<FakeKeySynth>();
    p.hotkey = std::make_unique<FakeGlobalHotkey>();
    p.beep = std::make_unique<FakeBeep>();
    p.windowHints = std::make_unique<FakeWindowHints>();
    return p;
}

void run(const QString& directory, const Defaults* preferences, bool accessibilityOn) {
    Platform demo = demoPlatform(preferences, accessibilityOn);
    ScreenshotRenderer::renderAll(
        directory, {*demo.defaults, *demo.secrets, *demo.loginItem, *demo.log, *demo.scheduler, *demo.http,
                    *demo.languages, *demo.pasteboard, *demo.accessibility});
}

}  // namespace quillet::ScreenshotMode
