// Quillet: entry point and launch modes.
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "app/AppDelegate.h"
#include "app/Platform.h"
#include "app/ScreenshotMode.h"
#include "app/SessionMode.h"
#include "core/AppCoordinator.h"
#include "core/BusRequestRule.h"
#include "core/KWinKeysHint.h"
#include "core/LaunchMode.h"
#include "core/SelfCheck.h"
#include "core/SessionType.h"
#include "core/SettingsStore.h"
#include "core/ShellExtensionHint.h"
#include "core/SingleInstance.h"
#include "platform/linux/dbus/DBusInstanceChannel.h"
#include "platform/linux/dbus/SessionBus.h"
#include "platform/linux/gnome-shell/GnomeShellBridge.h"
#include "platform/linux/kwin/KWinFakeInput.h"
#include "platform/linux/qt/QuitSignals.h"
#include "platform/linux/system/IniDefaults.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;

namespace {

// Before any D-Bus library starts (Qt's accessibility bridge connects as the application object is
// made): without an address, libdbus and GDBus would each launch a session bus that outlives the
// program. Returns whether there is a session bus to use.
bool chooseSessionBus() {
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    const bool userBus =
        !runtimeDir.isEmpty() &&
        ::stat(QFile::encodeName(runtimeDir + QStringLiteral("/bus")).constData(), &info) == 0 &&
        S_ISSOCK(info.st_mode);
    const SessionBus::Choice choice =
        SessionBus::choose(qgetenv("DBUS_SESSION_BUS_ADDRESS"), runtimeDir, userBus);
    if (choice.address)
        qputenv("DBUS_SESSION_BUS_ADDRESS", *choice.address);
    return !choice.missing;
}

// An X11 display, or in a Wayland session the compositor's.
bool hasDisplay() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return true;
    return SessionTypes::current() == SessionType::wayland && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The mode comes from the command line as it was typed, before Qt takes out what looks like its own
// options: `--screenshots -reverse` renders into the folder "-reverse".
LaunchMode chooseMode(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return LaunchMode::fromArguments(arguments);
}

// The report modes must work without a desktop: the pictures are always drawn off screen, and
// the self-check reports what it can when there is no display (Qt would abort trying to open one).
// Without a display the other modes can still reach a running copy over the session bus.
void chooseQtPlatform(LaunchMode::Kind kind) {
    const bool noDisplay = !hasDisplay();
    if (kind == LaunchMode::Kind::screenshots || kind == LaunchMode::Kind::help || noDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // In a Wayland session the program's own windows are native ones; elsewhere the assistant
    // works through X11, whatever Qt would prefer.
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", SessionTypes::current() == SessionType::wayland ? "wayland;xcb" : "xcb");
}

// The program prints its own lines and nothing else. Qt's remarks about the environment (a missing
// runtime folder, an off-screen platform's limits, an accessibility bridge timing out on a busy
// desktop) are no part of a report or of the program's log; only its critical errors are.
void quietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// The paths this program runs from: its own file, and the one it was installed to. A copy holding
// the running copy's name from either is this program; any other program hears no request of ours.
QStringList ownPrograms() {
    return {DBusInstanceChannel::programOf(::getpid()), QString::fromUtf8(QUILLET_INSTALLED_PROGRAM)};
}

int runScreenshots(const QString& directory) {
    // The user's preferences are shown as they are and never written; the key is the demonstration's.
    const IniDefaults preferences;
    Platform offline = makePlatform(PlatformMode::screenshots, &preferences);
    ScreenshotMode::render(directory, offline);
    return 0;
}

int runDoctor(bool sessionBus) {
    Platform platform = makePlatform(PlatformMode::doctor);
    // The windows already active are looked up from the event loop.
    QCoreApplication::processEvents();
    // GNOME Shell's extension is asked, not introduced to: a running Quillet stays its client.
    QStringList desktop;
    if (platform.gnomeShell) {
        platform.gnomeShell->connectToShell(false);
        desktop << ShellExtensionHint::doctorLine(platform.gnomeShell->status());
    }
    if (platform.kwinFakeInput) {
        const QString program = QCoreApplication::applicationFilePath();
        desktop << KWinKeysHint::doctorLine(KWinKeysHint::Status{
            platform.kwinFakeInput->isOffered(), KWinFakeInput::entryInstalledFor(program), true, program});
    }
    if (sessionBus) {
        DBusInstanceChannel channel;
        const QString runningCopy = SingleInstance::doctorLine(channel.holder(), ownPrograms());
        if (!runningCopy.isEmpty())
            desktop << runningCopy;
    }
    QTextStream out(stdout);
    SelfCheck::run(
        *platform.accessibility, *platform.workspace, *platform.screens,
        [&out](const QString& text) {
            out << text << '\n';
            out.flush();
        },
        SessionTypes::name(platform.session), desktop,
        [](std::chrono::milliseconds pause) {
            // The accessibility bus's answers and events come through the event loop meanwhile.
            QEventLoop loop;
            QTimer::singleShot(pause, &loop, &QEventLoop::quit);
            loop.exec();
        },
        sessionBus);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const LaunchMode mode = chooseMode(argc, argv);
    const LaunchMode::Kind kind = mode.kind;
    const bool sessionBus = chooseSessionBus();
    // The report says it in its own words; the pictures and the help need no bus.
    if (!sessionBus && kind != LaunchMode::Kind::doctor && kind != LaunchMode::Kind::screenshots &&
        kind != LaunchMode::Kind::help)
        std::fputs(
            "Quillet: no session bus (DBUS_SESSION_BUS_ADDRESS is not set): another start cannot "
            "reach this copy, and the accessibility bus and the keyring may be out of reach. "
            "Start Quillet from within the desktop session.\n",
            stderr);
    chooseQtPlatform(kind);
    const bool noDisplay = !hasDisplay();
    qInstallMessageHandler(quietQtMessages);
    // The application object exists in every mode. The pictures are drawn as they always look: the
    // folder named after `--screenshots` is no option of Qt's, whatever it looks like.
    int qtArgc = kind == LaunchMode::Kind::screenshots ? 1 : argc;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setQuitOnLastWindowClosed(false);

    switch (mode.kind) {
        case LaunchMode::Kind::screenshots:
            return runScreenshots(mode.directory);
        case LaunchMode::Kind::doctor:
            return runDoctor(sessionBus);
        case LaunchMode::Kind::help:
            std::fputs(LaunchMode::usage().toUtf8().constData(), stdout);
            return 0;
        default:
            break;
    }

    // One copy at a time: a later start hands its request to the running one and ends.
    AppDelegate* running = nullptr;
    // What other processes may ask of the running copy; until it runs, nothing.
    std::optional<BusRequestRule> busRule;
    DBusInstanceChannel channel;
    const LaunchDecision decision = SingleInstance::start(
        mode.kind, channel, ownPrograms(),
        [&running](InstanceRequest r, std::chrono::milliseconds age) {
            if (running)
                running->handleRequest(r, age);
        },
        [&busRule](InstanceRequest r, std::optional<std::chrono::milliseconds> age) {
            return busRule ? busRule->admit(r, age) : InstanceChannel::Admission::busy;
        });
    if (!decision.message.isEmpty()) {
        std::FILE* stream = decision.messageIsError ? stderr : stdout;
        std::fprintf(stream, "%s\n", decision.message.toUtf8().constData());
    }
    if (!decision.runHere)
        return decision.exitCode;
    if (noDisplay) {
        channel.release();
        std::fputs("quillet: needs an X11 display, and DISPLAY is not set\n", stderr);
        return 1;
    }

    Platform platform = makePlatform(PlatformMode::desktop);
    SettingsStore settings(*platform.defaults, *platform.secrets, *platform.autostart, *platform.log,
                           *platform.scheduler);
    SettingsStore::install(&settings);
    // A tray program: no main window; Quit in the tray menu (or in the settings) ends the loop.
    AppDelegate delegate(settings, coordinatorServices(platform));
    QObject::connect(&delegate, &AppDelegate::readyToQuit, qApp, &QCoreApplication::quit);
    running = &delegate;
    busRule.emplace(*platform.scheduler);
    delegate.coordinator().inputEventAge = platform.inputEventAge;
    applySessionMode(delegate, platform);
    delegate.start(decision.firstRequest);
    QuitSignals::install(&delegate, [&delegate] { delegate.quit(); });
    const int status = QApplication::exec();
    running = nullptr;
    busRule.reset();
    // The name goes before anything else is torn down, so a start made now becomes the running copy.
    channel.release();
    return status;
}
