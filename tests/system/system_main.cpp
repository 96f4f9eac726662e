// Entry point of the system-test binary (it links GoogleTest without gtest_main).

#include <QApplication>

#include <gtest/gtest.h>

// The automation tests talk to the bus through Qt D-Bus and the level tests build the window:
// one application object serves both.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
