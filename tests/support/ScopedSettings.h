// A settings store on in-memory fakes, installed as the shared one for the life of a test.
#pragma once

#include "core/SettingsStore.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSecretStore.h"

namespace quillet::test {

class ScopedSettings {
public:
    ScopedSettings() : store(defaults, secrets, autostart, log, keyringClock) {
        SettingsStore::install(&store);
    }
    ~ScopedSettings() { SettingsStore::install(nullptr); }
    ScopedSettings(const ScopedSettings&) = delete;
    ScopedSettings& operator=(const ScopedSettings&) = delete;

    FakeScheduler keyringClock;  // the keyring's deadlines
    FakeDefaults defaults;
    FakeSecretStore secrets;
    FakeAutostart autostart;
    FakeSystemLog log;
    SettingsStore store;
};

}  // namespace quillet::test
