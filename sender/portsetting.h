#pragma once

#include <QObject>
#include <QString>

class Prompts;
class QWidget;
class StreamServer;

namespace vesprad {

class PortWindow;

// Moving the port the server listens on: 按钮设置端口 opens PortWindow, whose Set button (or
// Enter in its box) checks the text, applies the port and closes the window. The port lasts until
// the program ends.
class PortSetting : public QObject {
    Q_OBJECT
public:
    // `owner` is the main window, over which PortWindow opens.
    PortSetting(StreamServer& server, Prompts& prompts, QWidget* owner);
    ~PortSetting() override;

    // Opens PortWindow modally and returns when it has closed; socket events go on meanwhile.
    void onSetPortClicked();
    // Set in PortWindow.
    void onApplyPortClicked();
    // A key in 编辑框port; Enter (13) does what Set does.
    void onPortKeyPressed(int virtualKey);

    // PortWindow while it is open, else null.
    PortWindow* portWindow() const { return window_; }

private:
    StreamServer& server_;
    Prompts& prompts_;
    QWidget* owner_;
    PortWindow* window_ = nullptr;
};

}  // namespace vesprad
