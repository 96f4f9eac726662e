// Entry point of the system-test binary (it links GoogleTest without gtest_main).

#include <QCoreApplication>

#include <gtest/gtest.h>

// The automation tests talk to the bus through Qt D-Bus, which needs one application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
