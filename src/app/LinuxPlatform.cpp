// Chooses the platform services for each launch mode: the real AT-SPI, X11, Wayland, keyring and Qt
// services of the session, or the offline ones.
#include <QCoreApplication>

#include "app/Platform.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/dbus/DesktopNotice.h"
#include "platform/linux/gnome-shell/GnomeShellBridge.h"
#include "platform/linux/gnome-shell/GnomeShellServices.h"
#include "platform/linux/kwin/KGlobalAccelHotkey.h"
#include "platform/linux/kwin/KWinBridge.h"
#include "platform/linux/kwin/KWinFakeInput.h"
#include "platform/linux/qt/QtBeep.h"
#include "platform/linux/qt/QtHttpTransport.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/qt/QtScreens.h"
#include "platform/linux/secret/LibsecretStore.h"
#include "platform/linux/shared/CompositorBridge.h"
#include "platform/linux/shared/InputEventTime.h"
#include "platform/linux/system/Cld2LanguageRecognizer.h"
#include "platform/linux/system/IniDefaults.h"
#include "platform/linux/system/SyslogSystemLog.h"
#include "platform/linux/system/XdgAutostart.h"
#include "platform/linux/wayland/DesktopCommandHotkey.h"
#include "platform/linux/wayland/PortalShortcut.h"
#include "platform/linux/wayland/WaylandWorkspace.h"
#include "platform/linux/wayland/WlClipboard.h"
#include "platform/linux/x11/X11Clipboard.h"
#include "platform/linux/x11/X11GlobalHotkey.h"
#include "platform/linux/x11/X11OnlyKeySynth.h"
#include "platform/linux/x11/X11WindowHints.h"
#include "platform/linux/x11/X11Workspace.h"
#include "platform/linux/x11/XTestKeySynth.h"
#include "platform/offline/OfflineServices.h"

namespace quillet {

namespace {

// What the compositor's helper does the same way on every desktop: where windows are, bringing a
// program to the front, the icon and the placement of Quillet's windows.
void chooseCompositorServices(Platform& p, WaylandWorkspace& workspace, AtspiAccessibility& accessibility,
                              CompositorBridge& bridge) {
    accessibility.setCompositorWindows(&bridge);
    workspace.setCompositorWindows(&bridge);
    workspace.setActivator([b = &bridge](qint32 pid) { return b->activateProcess(pid); });
    p.windowHints = std::make_unique<CompositorWindowHints>(bridge, std::move(p.windowHints));
    p.desktopIcon = std::make_unique<CompositorIcon>(bridge);
}

// GNOME under Wayland: what Quillet's extension in the shell does (each service falls back to the
// plain Wayland one whenever the extension does not answer). Whoever runs the program introduces it
// to the extension (GnomeShellBridge::connectToShell).
void chooseGnomeShellServices(Platform& p, WaylandWorkspace& workspace, AtspiAccessibility& accessibility) {
    auto bridge = std::make_unique<GnomeShellBridge>();
    GnomeShellBridge* shell = bridge.get();
    chooseCompositorServices(p, workspace, accessibility, *shell);
    p.keys = std::make_unique<GnomeShellKeySynth>(*shell, std::move(p.keys));
    p.clipboard = std::make_unique<GnomeShellClipboard>(*shell, std::move(p.clipboard));
    p.hotkey = std::make_unique<GnomeShellHotkey>(*shell, std::move(p.hotkey));
    WaylandWorkspace* ws = &workspace;
    p.canPressKeysIn = [ws, shell](qint32 pid) { return shell->isActive() || ws->hasX11Window(pid); };
    p.gnomeShell = shell;
    p.desktopBridge = std::move(bridge);
}

// KDE Plasma under Wayland: Quillet's script inside KWin (loaded by whoever runs the program) shows
// the icon and places the panel; KWin's fake input, where its desktop entry lets Quillet have it,
// presses the keys of the paste. The clipboard goes through wl-clipboard with or without those keys:
// a field that ignores writes is tried with a paste first, which brings its window to the front, and
// KWin ignores a clipboard set through Qt once none of Quillet's windows has the keyboard, so the
// text left for the user would never get there.
void chooseKWinServices(Platform& p, WaylandWorkspace& workspace, AtspiAccessibility& accessibility) {
    auto bridge = std::make_unique<KWinBridge>();
    KWinBridge* kwin = bridge.get();
    chooseCompositorServices(p, workspace, accessibility, *kwin);
    p.kwinFakeInput = std::make_shared<KWinFakeInput>();
    const bool keysReachAll = p.kwinFakeInput->isOffered();
    p.keys = std::make_unique<KWinFakeInputKeySynth>(p.kwinFakeInput, std::move(p.keys));
    p.clipboard = std::make_unique<WlToolsClipboard>(std::move(p.clipboard));
    WaylandWorkspace* ws = &workspace;
    p.canPressKeysIn = [ws, keysReachAll](qint32 pid) { return keysReachAll || ws->hasX11Window(pid); };
    p.kwin = kwin;
    p.desktopBridge = std::move(bridge);
}

// A Wayland session: the active window and the focus come from accessibility events alone, the
// shortcut from the desktop, and keys reach only the programs that run under XWayland.
void chooseWaylandServices(Platform& p) {
    auto xwayland = std::make_unique<X11Workspace>();
    X11Workspace* x11 = xwayland.get();
    auto workspace = std::make_unique<WaylandWorkspace>(std::move(xwayland));
    auto accessibility = std::make_unique<AtspiAccessibility>(
        [ws = workspace.get()]() -> std::optional<qint32> { return ws->activePid(); });
    workspace->attach(*accessibility);
    x11->setNameFallback([ax = accessibility.get()](qint32 pid) { return ax->applicationName(pid); });
    accessibility->followWindowEvents([ws = workspace.get()](const FocusEvent& e) { ws->handle(e); },
                                      [ws = workspace.get()] { return ws->focusedElement(); });
    WaylandWorkspace* ws = workspace.get();
    auto notice = std::make_unique<DesktopNotice>();
    p.desktopNotice = [n = notice.get()](const QString& text, const QString& actionLabel,
                                         std::function<void()> action) {
        return n->show(text, actionLabel, std::move(action));
    };
    p.notifications = std::move(notice);
    p.keys = std::make_unique<X11OnlyKeySynth>(std::make_unique<XTestKeySynth>(*p.scheduler),
                                               [ws] { return ws->hasX11Window(ws->activePid()); });
    p.canPressKeysIn = [ws](qint32 pid) { return ws->hasX11Window(pid); };
    const Desktop desktop =
        SessionTypes::desktop([](const char* name) { return qEnvironmentVariable(name); });
    if (desktop == Desktop::kde) {
        p.hotkey = std::make_unique<KGlobalAccelHotkey>();
    } else {
        auto portal = std::make_unique<PortalShortcut>(QStringLiteral("Correct"));
        p.portalShortcut = portal.get();
        p.hotkey =
            std::make_unique<PortalHotkey>(std::move(portal), std::make_unique<DesktopCommandHotkey>());
    }
    if (desktop == Desktop::gnome)
        chooseGnomeShellServices(p, *workspace, *accessibility);
    if (desktop == Desktop::kde)
        chooseKWinServices(p, *workspace, *accessibility);
    p.workspace = std::move(workspace);
    p.accessibility = std::move(accessibility);
    p.session = SessionType::wayland;
}

// Asked of a self-check without a display: there are no screens to tell of.
class NoScreens final : public Screens {
public:
    QList<ScreenInfo> screens() override { return {}; }
    std::optional<ScreenInfo> mainScreen() override { return std::nullopt; }
};

// The assistant itself, not the self-check: it may put right what it finds on disk.
Platform makeLinuxPlatform(bool assistant) {
    Platform p;
    p.scheduler = std::make_unique<QtScheduler>();
    p.secrets = std::make_unique<LibsecretStore>();
    p.log = std::make_unique<SyslogSystemLog>();
    auto defaults = std::make_unique<IniDefaults>(p.log.get());
    if (assistant)
        defaults->closeToOthers();
    p.defaults = std::move(defaults);
    p.autostart = std::make_unique<XdgAutostart>(QCoreApplication::applicationFilePath());
    p.screens = std::make_unique<QtScreens>();
    p.http = std::make_unique<QtHttpTransport>();
    p.languages = std::make_unique<Cld2LanguageRecognizer>();
    p.clipboard = std::make_unique<X11Clipboard>();
    p.beep = std::make_unique<QtBeep>();
    p.inputEventAge = [](quint64 timestamp) { return InputEventTime::ageNow(timestamp); };
    // In a Wayland session only the program's XWayland windows, if any, can be asked for.
    const bool wayland = SessionTypes::current() == SessionType::wayland;
    p.windowHints = std::make_unique<X11WindowHints>(!wayland);
    if (wayland) {
        chooseWaylandServices(p);
        return p;
    }

    // The focused element belongs to the active window's process; a name missing from the desktop
    // entries comes from the accessibility bus. Both live as long as the Platform.
    auto workspace = std::make_unique<X11Workspace>();
    auto accessibility = std::make_unique<AtspiAccessibility>(
        [ws = workspace.get()] { return ws->activePid(); },
        [ws = workspace.get()](qint32 pid) { return ws->windowFrame(pid); });
    workspace->setNameFallback([ax = accessibility.get()](qint32 pid) { return ax->applicationName(pid); });
    p.workspace = std::move(workspace);
    p.accessibility = std::move(accessibility);
    p.keys = std::make_unique<XTestKeySynth>(*p.scheduler);
    p.hotkey = std::make_unique<X11GlobalHotkey>(*p.scheduler);
    return p;
}

}  // namespace

Platform makePlatform(PlatformMode mode, const Defaults* shownPreferences) {
    if (mode == PlatformMode::screenshots)
        return makeOfflinePlatform(shownPreferences, AtspiAccessibility({}, {}).accessibilityEnabled());
    Platform p = makeLinuxPlatform(mode == PlatformMode::desktop);
    const bool noDisplay =
        qEnvironmentVariableIsEmpty("DISPLAY") &&
        !(p.session == SessionType::wayland && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if (mode == PlatformMode::doctor && noDisplay)
        p.screens = std::make_unique<NoScreens>();
    return p;
}

Platform makeOfflinePlatform(const Defaults* shownPreferences, bool accessibilityOn) {
    Platform p;
    p.scheduler = std::make_unique<offline::StoppedScheduler>();
    p.secrets = std::make_unique<offline::MemorySecretStore>();
    p.defaults = std::make_unique<offline::OverlayDefaults>(shownPreferences);
    p.autostart = std::make_unique<offline::NoAutostart>();
    p.log = std::make_unique<offline::SilentLog>();
    p.accessibility = std::make_unique<offline::NoAccessibility>(accessibilityOn);
    p.http = std::make_unique<offline::UnansweredHttp>();
    p.languages = std::make_unique<offline::NoLanguages>();
    p.clipboard = std::make_unique<offline::MemoryClipboard>();
    return p;
}

}  // namespace quillet
