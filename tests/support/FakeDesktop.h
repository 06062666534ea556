// Every platform double the coordinator drives, on one virtual clock, with a settings store.
#pragma once

#include "core/AppCoordinator.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeGlobalHotkey.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeKeySynth.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeWindowHints.h"
#include "support/ScopedSettings.h"

namespace quillet::test {

struct FakeDesktop : ScopedSettings {
    FakeDesktop() : http(scheduler) {}

    CoordinatorServices services() {
        return CoordinatorServices{ax,     workspace, screens, scheduler, clipboard,  keys,
                                   hotkey, beep,      http,    languages, windowHints};
    }
    void storeKey(const QString& key = QStringLiteral("sk-test")) { settings.setApiKey(key); }

    FakeScheduler& scheduler = keyringClock;  // one clock for everything
    SettingsStore& settings = store;
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
};

}  // namespace quillet::test
