// The main of every GoogleTest program here: a real QApplication on the offscreen platform, so
// that tests use real widgets, timers and sockets on the real event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <csignal>
#include <cstdlib>

#include "eventloop.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::signal(SIGPIPE, SIG_IGN);
    eventloop::preferQtDispatcher();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
