// Keys pressed in whatever window has the keyboard under KWin, through its fake-input interface
#include "platform/linux/kwin/KWinFakeInput.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstring>

#include "fake-input-client-protocol.h"
#include "platform/linux/kwin/KWinFakeInputEntry.h"

namespace quillet {

namespace {

const wl_registry_listener registryListener = {&KWinFakeInput::global, &KWinFakeInput::globalRemove};

}  // namespace

KWinFakeInput::KWinFakeInput() : m_display(wl_display_connect(nullptr)) {
    if (!m_display)
        return;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    wl_display_roundtrip(m_display);
    if (m_fake) {
        org_kde_kwin_fake_input_authenticate(m_fake, "Quillet",
                                             "Writes the chosen correction into your text field");
        wl_display_roundtrip(m_display);
    }
}

KWinFakeInput::~KWinFakeInput() {
    if (m_fake)
        org_kde_kwin_fake_input_destroy(m_fake);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void KWinFakeInput::global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                           uint32_t version) {
    auto* self = static_cast<KWinFakeInput*>(data);
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) != 0 || self->m_fake)
        return;
    // Version 4 has the keyboard; older ones have none.
    if (version < 4)
        return;
    self->m_fake = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void KWinFakeInput::globalRemove(void*, wl_registry*, uint32_t) {}

bool KWinFakeInput::entryInstalledFor(const QString& program) {
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        for (const QFileInfo& info : QDir(dir).entryInfoList({QStringLiteral("*.desktop")}, QDir::Files)) {
            QFile file(info.filePath());
            // An entry is a few hundred bytes; a larger file is no entry of ours.
            if (info.size() < 65536 && file.open(QIODevice::ReadOnly) &&
                KWinFakeInputEntry::asksForKeys(QString::fromUtf8(file.readAll()), program))
                return true;
        }
    }
    return false;
}

bool KWinFakeInput::send(const std::vector<std::pair<int, bool>>& keys) {
    if (!m_fake || wl_display_get_error(m_display) != 0)
        return false;
    for (const auto& [code, pressed] : keys)
        org_kde_kwin_fake_input_keyboard_key(m_fake, uint32_t(code), pressed ? 1 : 0);
    return wl_display_roundtrip(m_display) >= 0;
}

bool KWinFakeInputKeySynth::withControl(int key, bool (KeySynth::*fallback)()) {
    if (!m_input || !m_input->isOffered())
        return (m_fallback.get()->*fallback)();
    // Key codes name a key's place, not its letter: Control+V is the same key under every layout.
    return m_input->send({{KEY_LEFTCTRL, true}, {key, true}, {key, false}, {KEY_LEFTCTRL, false}});
}

bool KWinFakeInputKeySynth::withShift(int key, int count, bool (KeySynth::*fallback)(int)) {
    if (count <= 0)
        return true;
    if (!m_input || !m_input->isOffered())
        return (m_fallback.get()->*fallback)(count);
    std::vector<std::pair<int, bool>> keys{{KEY_LEFTSHIFT, true}};
    keys.reserve(size_t(count) * 2 + 2);
    for (int i = 0; i < count; ++i) {
        keys.emplace_back(key, true);
        keys.emplace_back(key, false);
    }
    keys.emplace_back(KEY_LEFTSHIFT, false);
    return m_input->send(keys);
}

bool KWinFakeInputKeySynth::selectAll() {
    return withControl(KEY_A, &KeySynth::selectAll);
}

bool KWinFakeInputKeySynth::copy() {
    return withControl(KEY_C, &KeySynth::copy);
}

bool KWinFakeInputKeySynth::paste() {
    return withControl(KEY_V, &KeySynth::paste);
}

bool KWinFakeInputKeySynth::selectBackward(int count) {
    return withShift(KEY_LEFT, count, &KeySynth::selectBackward);
}

bool KWinFakeInputKeySynth::selectForward(int count) {
    return withShift(KEY_RIGHT, count, &KeySynth::selectForward);
}

bool KWinFakeInputKeySynth::selectFromStart(int skip, int count) {
    if (!m_input || !m_input->isOffered())
        return m_fallback->selectFromStart(skip, count);
    std::vector<std::pair<int, bool>> keys{
        {KEY_LEFTCTRL, true}, {KEY_HOME, true}, {KEY_HOME, false}, {KEY_LEFTCTRL, false}};
    keys.reserve(size_t(std::max(0, skip) + std::max(0, count)) * 2 + 6);
    for (int i = 0; i < skip; ++i) {
        keys.emplace_back(KEY_RIGHT, true);
        keys.emplace_back(KEY_RIGHT, false);
    }
    keys.emplace_back(KEY_LEFTSHIFT, true);
    for (int i = 0; i < count; ++i) {
        keys.emplace_back(KEY_RIGHT, true);
        keys.emplace_back(KEY_RIGHT, false);
    }
    keys.emplace_back(KEY_LEFTSHIFT, false);
    return m_input->send(keys);
}

}  // namespace quillet
