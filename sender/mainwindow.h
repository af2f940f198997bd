#pragma once

#include <memory>

#include "streamserver.h"
#include "windowkit.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class Prompts;
class SenderEngine;

namespace vesprad {

class PortSetting;

// Vesprad's start window: the file to send, the receiver that connected, the file's size and
// the progress, and the button that opens PortWindow. It owns the server, the engine and the port
// setting; closing it runs the engine's exit and, as the last window, ends the program.
class MainWindow : public windowkit::FixedWindow {
    Q_OBJECT
public:
    // `port` is where the server listens from the start (0: a free port, for tests).
    explicit MainWindow(Prompts& prompts, int port = StreamServer::kDefaultPort,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The controls, from the top of the stack down.
    QTimer* 时钟1;
    QPushButton* 按钮设置端口;
    QLabel* 透明标签单位;
    QLineEdit* 编辑框大小;
    QLineEdit* 编辑框客户;
    QLabel* 透明标签文件路径;
    StreamServer* 服务器1;
    QLabel* 透明标签文件大小;
    QLabel* 透明标签客户;
    QProgressBar* 进度条1;
    QPushButton* 按钮发送;
    QPushButton* 按钮浏览;
    QLineEdit* 编辑框路径;

    SenderEngine& engine() { return *engine_; }
    PortSetting& portSetting() { return *portSetting_; }

protected:
    void onProgramExit() override;

private:
    // Members go before the window's children, so neither outlives the controls and the server
    // that it points to.
    std::unique_ptr<SenderEngine> engine_;
    std::unique_ptr<PortSetting> portSetting_;
};

}  // namespace vesprad
