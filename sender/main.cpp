#include <QApplication>
#include <csignal>

#include "desktoplook.h"
#include "eventloop.h"
#include "mainwindow.h"
#include "prompts.h"

int main(int argc, char** argv) {
    // A receiver that goes away while bytes are on their way must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    eventloop::preferQtDispatcher();
    QApplication app(argc, argv);
    desktoplook::apply(app);
    WidgetPrompts prompts;
    vesprad::MainWindow window(prompts);
    window.show();
    // Closing the main window, the last one, ends the loop.
    return app.exec();
}
