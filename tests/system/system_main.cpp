#include <QCoreApplication>

#include <gtest/gtest.h>

// The system tests talk to the bus through Qt D-Bus, which needs one application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
