#pragma once

#include <memory>

#include "windowkit.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class Prompts;
class ReceiverEngine;
class StreamClient;

namespace corvane {

class ConnectionControl;

// Corvane's one window: the sender's address and port, Connect and Disconnect, and the name,
// size and progress of the file being received. It owns the client, the engine and the connection
// control; closing it runs the engine's exit and, as the last window, ends the program.
class MainWindow : public windowkit::FixedWindow {
    Q_OBJECT
public:
    explicit MainWindow(Prompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The controls, from the top of the stack down.
    QLabel* 透明标签单位;
    QTimer* 时钟1;
    QPushButton* 按钮断开;
    QLabel* 透明标签端口;
    QLineEdit* 编辑框端口;
    QLineEdit* 编辑框文件大小;
    QLabel* 透明标签文件大小;
    QLabel* 透明标签文件名;
    QLineEdit* 编辑框文件名;
    QLabel* 透明标签IP;
    StreamClient* 客户1;
    QProgressBar* 进度条1;
    QPushButton* 按钮连接;
    QLineEdit* 编辑框IP;

    ReceiverEngine& engine() { return *engine_; }
    ConnectionControl& connectionControl() { return *connection_; }

protected:
    void onProgramExit() override;

private:
    // Members go before the window's children, so neither outlives the controls and the client
    // that it points to.
    std::unique_ptr<ReceiverEngine> engine_;
    std::unique_ptr<ConnectionControl> connection_;
};

}  // namespace corvane
