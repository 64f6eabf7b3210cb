#include <QCoreApplication>
#include <gtest/gtest.h>

// Tests run event loops (sockets, timers), so every test program has an application object.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
