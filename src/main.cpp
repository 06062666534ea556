// Quillet: entry point and launch modes.
#include <QApplication>

#include "app/Platform.h"
#include "core/SettingsStore.h"

using namespace quillet;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setQuitOnLastWindowClosed(false);

    Platform platform = makeLinuxPlatform();
    SettingsStore settings(*platform.defaults, *platform.secrets, *platform.loginItem, *platform.log);
    SettingsStore::install(&settings);
    return QApplication::exec();
}
