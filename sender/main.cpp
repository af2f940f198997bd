#include <QApplication>

#include "desktoplook.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    desktoplook::apply(app);
    return 0;
}
