// The platform services the program runs on, chosen once by the composition root.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

#include "core/SessionType.h"
#include "platform/Accessibility.h"
#include "platform/Autostart.h"
#include "platform/Beep.h"
#include "platform/Clipboard.h"
#include "platform/Defaults.h"
#include "platform/DesktopIcon.h"
#include "platform/GlobalHotkey.h"
#include "platform/HttpTransport.h"
#include "platform/KeySynth.h"
#include "platform/LanguageRecognizer.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "platform/SecretStore.h"
#include "platform/SystemLog.h"
#include "platform/WindowHints.h"
#include "platform/Workspace.h"

namespace quillet {

class KWinFakeInput;
class GnomeShellBridge;
class KWinBridge;
class PortalShortcut;
struct CoordinatorServices;

struct Platform {
    /// What the desktop's own extension for Quillet goes through, where there is one; destroyed
    /// last, after the services that use it.
    std::unique_ptr<QObject> desktopBridge;
    /// The same, as GNOME Shell's extension: null outside a GNOME Wayland session.
    GnomeShellBridge* gnomeShell = nullptr;
    /// The same, as Quillet's script inside KWin: null outside a KDE Plasma Wayland session.
    KWinBridge* kwin = nullptr;
    /// The shortcut through the desktop portal, where it is tried: null on X11 and KDE Plasma.
    PortalShortcut* portalShortcut = nullptr;
    /// KWin's fake input, as offered to this program (or not); null outside KDE Plasma on Wayland.
    std::shared_ptr<KWinFakeInput> kwinFakeInput;
    std::unique_ptr<Scheduler> scheduler;
    std::unique_ptr<SecretStore> secrets;
    std::unique_ptr<Defaults> defaults;
    std::unique_ptr<Autostart> autostart;
    std::unique_ptr<SystemLog> log;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<Accessibility> accessibility;
    std::unique_ptr<Screens> screens;
    std::unique_ptr<HttpTransport> http;
    std::unique_ptr<LanguageRecognizer> languages;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<KeySynth> keys;
    std::unique_ptr<GlobalHotkey> hotkey;
    std::unique_ptr<Beep> beep;
    std::unique_ptr<WindowHints> windowHints;
    /// The icon at the field drawn by the desktop itself (GNOME Shell's extension); null where the
    /// program's own window is the icon.
    std::unique_ptr<DesktopIcon> desktopIcon;
    /// The kind of session the services were chosen for.
    SessionType session = SessionType::x11;
    /// Whether synthetic keys reach the application of process `pid`; empty where they always do.
    std::function<bool(qint32 pid)> canPressKeysIn;
    /// Shows a notice through the desktop's own notification service, with one action, where a
    /// window of ours would take the keyboard from the field it is about (Wayland); empty elsewhere.
    /// Answers whether the notice went up.
    std::function<bool(const QString& text, const QString& actionLabel, std::function<void()> action)>
        desktopNotice;
    /// The owner of what desktopNotice goes through.
    std::unique_ptr<QObject> notifications;
    /// How long ago an input event with the desktop's `timestamp` happened; empty where unknown.
    std::function<std::optional<std::chrono::milliseconds>(quint64 timestamp)> inputEventAge;
};

/// What the process is started to do; each asks for its own set of services.
enum class PlatformMode {
    /// The assistant: the real services of the desktop session it runs in, X11 or Wayland (chosen
    /// from the environment). Needs a QApplication.
    desktop,
    /// The self-check: the same, with no screens where there is no display to ask.
    doctor,
    /// Drawing the views: the offline services (see makeOfflinePlatform), with the desktop's
    /// accessibility switch read as it is.
    screenshots,
};

/// Every platform service for `mode`; the one place that chooses them. `shownPreferences` (may be
/// null) is what the screenshots mode reads the user's preferences from, never writing them.
Platform makePlatform(PlatformMode mode, const Defaults* shownPreferences = nullptr);

/// Services that keep everything inside this process, so nothing drawn depends on, or changes, the
/// user's keyring, preferences, clipboard or network: `shownPreferences` read (when given) and never
/// written, an empty secret store in memory, a network that never answers, a clock that stands
/// still, no language recognised, and a desktop whose accessibility switch is `accessibilityOn`
/// and which has no application to follow. Only the services the views use are set.
Platform makeOfflinePlatform(const Defaults* shownPreferences, bool accessibilityOn);

/// The services of `platform` the coordinator drives.
CoordinatorServices coordinatorServices(Platform& platform);

}  // namespace quillet
