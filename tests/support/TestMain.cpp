// Test entry point: GoogleTest/GoogleMock under a Qt application object.
#include <gmock/gmock.h>

#include <unistd.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <memory>

int main(int argc, char** argv) {
#if defined(QUILLET_TEST_GUI)
#if defined(QUILLET_TEST_OFFSCREEN)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Qt warns on every start without a runtime folder; give offscreen runs a private one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir =
            QDir::tempPath().toUtf8() + "/quillet-test-runtime-" + QByteArray::number(getuid());
        QDir().mkpath(QString::fromUtf8(dir));
        QFile::setPermissions(QString::fromUtf8(dir), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
