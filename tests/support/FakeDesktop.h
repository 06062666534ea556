// Every platform double the coordinator drives, on one virtual clock, with a settings store.
#pragma once

#include "core/AppCoordinator.h"
#include "core/SettingsStore.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeGlobalHotkey.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeKeySynth.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSecretStore.h"
#include "platform/fake/FakeWindowHints.h"

namespace quillet::test {

struct FakeDesktop {
    FakeDesktop() : http(scheduler), settings(defaults, secrets, autostart, log, scheduler) {
        SettingsStore::install(&settings);
    }
    ~FakeDesktop() { SettingsStore::install(nullptr); }

    CoordinatorServices services() {
        return CoordinatorServices{ax,     workspace, screens, scheduler, clipboard,  keys,
                                   hotkey, beep,      http,    languages, windowHints};
    }
    void storeKey(const QString& key = QStringLiteral("sk-test")) { settings.setApiKey(key); }

    FakeScheduler scheduler;
    FakeAccessibility ax;
    FakeWorkspace workspace;
    FakeScreens screens;
    FakeClipboard clipboard;
    FakeKeySynth keys;
    FakeGlobalHotkey hotkey;
    FakeBeep beep;
    FakeWindowHints windowHints;
    FakeHttpTransport http;
    FakeLanguageRecognizer languages;
    FakeDefaults defaults;
    FakeSecretStore secrets;
    FakeAutostart autostart;
    FakeSystemLog log;
    SettingsStore settings;
};

}  // namespace quillet::test
