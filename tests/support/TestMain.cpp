// Test entry point: GoogleTest/GoogleMock under a Qt application object.
#include <gmock/gmock.h>

#include <QApplication>
#include <QCoreApplication>
#include <memory>

int main(int argc, char** argv) {
#if defined(QUILLET_TEST_GUI)
#if defined(QUILLET_TEST_OFFSCREEN)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
