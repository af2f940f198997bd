#pragma once

#include <QObject>

class QLineEdit;
class QPushButton;
class Prompts;
class StreamClient;

namespace corvane {

// The controls of the receiver's window that connecting reads and writes.
struct ConnectionControls {
    QLineEdit* 编辑框IP;    // host name or address of the sender
    QLineEdit* 编辑框端口;  // its port, read as an integer
    QPushButton* 按钮连接;  // Connect: disabled for good once a connection was made
};

// Connecting to a sender by address and port, and dropping the connection again. The program
// keeps no connection state but the Connect button: enabled until a connect succeeds, never again
// afterwards.
class ConnectionControl : public QObject {
    Q_OBJECT
public:
    ConnectionControl(const ConnectionControls& controls, StreamClient& client, Prompts& prompts,
                      QObject* parent = nullptr);
    ~ConnectionControl() override;

    // Blocks until the connect has succeeded or failed, then tells the user which.
    void onConnectClicked();
    // Closes the connection, if any; nothing else changes.
    void onDisconnectClicked();

private:
    ConnectionControls controls_;
    StreamClient& client_;
    Prompts& prompts_;
};

}  // namespace corvane
