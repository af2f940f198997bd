#include "socketio.h"

#include <QTcpSocket>

namespace socketio {

void tune(QTcpSocket* socket) {
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

bool writeAll(QTcpSocket* socket, ByteView bytes) {
    if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState) {
        return false;
    }
    if (bytes.isEmpty()) {
        return true;
    }
    if (socket->write(bytes.data(), bytes.size()) != bytes.size()) {
        return false;
    }
    socket->flush();
    return socket->error() == QAbstractSocket::UnknownSocketError ||
           socket->state() == QAbstractSocket::ConnectedState;
}

}  // namespace socketio
