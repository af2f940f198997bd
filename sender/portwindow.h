#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vesprad {

// The small modal window in which the user sets the port the program listens on. It is made
// afresh for each opening, so its box starts empty every time; Esc and the close box close it
// without applying anything.
class PortWindow : public QDialog {
    Q_OBJECT
public:
    explicit PortWindow(QWidget* parent = nullptr);
    ~PortWindow() override;

    // The controls, from the top of the stack down.
    QPushButton* 按钮设置;
    QLineEdit* 编辑框port;

    // The virtual-key code that a key press reports: 13 for Enter (both Enter keys), the
    // character codes for digits and letters, the main keyboard's codes for the minus, point and
    // slash keys (the keypad's too), 0 for keys that none of this names.
    static int virtualKeyOf(const QKeyEvent& key);

signals:
    // A key went down in 编辑框port; Tab and Esc belong to the window and do not count.
    void portKeyPressed(int virtualKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vesprad
