// Quillet: entry point and launch modes.
#include <QApplication>
#include <QTextStream>
#include <cstdio>

#include "app/AppCoordinator.h"
#include "app/AppDelegate.h"
#include "app/Platform.h"
#include "core/LaunchMode.h"
#include "core/SelfCheck.h"
#include "core/SettingsStore.h"

using namespace quillet;

namespace {

int runDoctor() {
    Platform platform = makeLinuxPlatform();
    QTextStream out(stdout);
    SelfCheck::run(*platform.accessibility, *platform.workspace, *platform.screens,
                   [&out](const QString& text) {
                       out << text << '\n';
                       out.flush();
                   });
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The application object exists in every mode, before the arguments are looked at.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setQuitOnLastWindowClosed(false);

    const LaunchMode mode = LaunchMode::fromArguments(QCoreApplication::arguments());
    switch (mode.kind) {
        case LaunchMode::Kind::screenshots:
            // The screenshot renderer is wired here once it exists; until then this mode only ends.
            return 0;
        case LaunchMode::Kind::doctor:
            return runDoctor();
        case LaunchMode::Kind::normal:
            break;
    }

    Platform platform = makeLinuxPlatform();
    SettingsStore settings(*platform.defaults, *platform.secrets, *platform.loginItem, *platform.log);
    SettingsStore::install(&settings);
    // A tray program: no main window; Quit in the tray menu ends the loop.
    AppDelegate delegate(settings, CoordinatorServices::from(platform));
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
