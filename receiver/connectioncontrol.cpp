#include "connectioncontrol.h"

#include <QLineEdit>
#include <QPushButton>

#include "numbers.h"
#include "prompts.h"
#include "streamclient.h"

namespace corvane {

ConnectionControl::ConnectionControl(const ConnectionControls& controls, StreamClient& client,
                                     Prompts& prompts, QObject* parent)
    : QObject(parent), controls_(controls), client_(client), prompts_(prompts) {}

ConnectionControl::~ConnectionControl() = default;

void ConnectionControl::onConnectClicked() {
    // A text without leading digits gives 0, which the client takes as port 1.
    const int port = numbers::readInteger(controls_.编辑框端口->text());
    const QString host = controls_.编辑框IP->text();
    if (!client_.connectTo(host, port)) {
        prompts_.showMessage(QStringLiteral("连接发送服务端失败，请检查!"),
                             QStringLiteral("连接失败"));
        return;
    }
    // The sender may start a transfer while this box is open; its handling runs meanwhile, and
    // the button goes grey only once the user has closed the box.
    prompts_.showMessage(QStringLiteral("连接发送服务端成功!"), QStringLiteral("连接成功"));
    controls_.按钮连接->setEnabled(false);
}

void ConnectionControl::onDisconnectClicked() {
    client_.disconnectFromServer();
}

}  // namespace corvane
