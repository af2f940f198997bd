#include "portwindow.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "windowkit.h"

namespace vesprad {

PortWindow::PortWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PortWindow"));
    windowkit::setUpWindow(this, QStringLiteral("设置端口"), QSize(282, 49),
                           windowkit::TitleButtons::CloseOnly);

    // Made from the bottom of the stack to the top.
    编辑框port = windowkit::addEditBox(this, QStringLiteral("编辑框port"), QRect(24, 16, 152, 20));
    按钮设置 = windowkit::addButton(this, QStringLiteral("按钮设置"), QStringLiteral("设置"),
                                    QRect(184, 14, 76, 24));

    // The key-down event comes before the box's own handling of the key, so this filter goes in
    // after the input rule's (the filter installed last runs first).
    windowkit::acceptOnlyIntegerText(编辑框port);
    编辑框port->installEventFilter(this);

    windowkit::setTabSequence({编辑框port, 按钮设置});
}

PortWindow::~PortWindow() = default;

int PortWindow::virtualKeyOf(const QKeyEvent& key) {
    const int k = key.key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        return 13;
    }
    if (k == Qt::Key_Backspace) {
        return 8;
    }
    if (k == Qt::Key_Space) {
        return 32;
    }
    // Qt's codes for the digits and the letters are their character codes, as the virtual keys.
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z)) {
        return k;
    }
    switch (k) {
        case Qt::Key_Minus:
            return 189;
        case Qt::Key_Period:
            return 190;
        case Qt::Key_Slash:
            return 191;
        default:
            return 0;
    }
}

bool PortWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == 编辑框port && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int k = key->key();
        if (k != Qt::Key_Tab && k != Qt::Key_Backtab && k != Qt::Key_Escape) {
            emit portKeyPressed(virtualKeyOf(*key));
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vesprad
