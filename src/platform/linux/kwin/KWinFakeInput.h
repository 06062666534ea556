// Keys pressed in whatever window has the keyboard under KWin, through its fake-input interface
// (org_kde_kwin_fake_input): KWin offers it only to a program whose installed desktop entry, naming
// the program by its full path, asks for it (X-KDE-Wayland-Interfaces).
#pragma once

#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "platform/KeySynth.h"

struct wl_display;
struct wl_registry;
struct org_kde_kwin_fake_input;

namespace quillet {

/// A connection of this program's own to the compositor, with the interface bound when offered.
class KWinFakeInput {
public:
    /// Connects to the session's display (WAYLAND_DISPLAY) and asks what it offers.
    KWinFakeInput();
    ~KWinFakeInput();
    KWinFakeInput(const KWinFakeInput&) = delete;
    KWinFakeInput& operator=(const KWinFakeInput&) = delete;

    /// Whether the compositor offered the interface to this program.
    bool isOffered() const { return m_fake != nullptr; }
    /// Whether a desktop entry installed where the desktop looks asks for it for `program`.
    static bool entryInstalledFor(const QString& program);
    /// Sends each (Linux key code, pressed) in order and waits until the compositor has them. False
    /// when the interface is not offered or the connection broke.
    bool send(const std::vector<std::pair<int, bool>>& keys);

    // The registry's news: which interfaces the compositor offers.
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);

private:
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    org_kde_kwin_fake_input* m_fake = nullptr;
};

/// Control+A / C / V and Shift+arrows through KWin's fake input; the fallback (keys that reach
/// only XWayland programs) where KWin does not offer it.
class KWinFakeInputKeySynth final : public KeySynth {
public:
    KWinFakeInputKeySynth(std::shared_ptr<KWinFakeInput> input, std::unique_ptr<KeySynth> fallback)
        : m_input(std::move(input)), m_fallback(std::move(fallback)) {}
    bool selectAll() override;
    bool copy() override;
    bool paste() override;
    bool selectBackward(int count) override;
    bool selectForward(int count) override;
    bool selectFromStart(int skip, int count) override;

private:
    bool withControl(int key, bool (KeySynth::*fallback)());
    bool withShift(int key, int count, bool (KeySynth::*fallback)(int));

    std::shared_ptr<KWinFakeInput> m_input;
    std::unique_ptr<KeySynth> m_fallback;
};

}  // namespace quillet
