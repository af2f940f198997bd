#include "streamclient.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QTcpSocket>
#include <algorithm>

#include "socketio.h"

StreamClient::StreamClient(QObject* parent) : QObject(parent) {}

StreamClient::~StreamClient() {
    drop();
}

void StreamClient::drop() {
    if (socket_ != nullptr) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    connected_ = false;
}

bool StreamClient::connectTo(const QString& host, int port) {
    const auto tcpPort = static_cast<quint16>(std::max(port, 1) & 0xFFFF);
    drop();
    if (host.isEmpty()) {
        return false;
    }
    QHostAddress address;
    if (QHostAddress literal(host); literal.protocol() == QAbstractSocket::IPv4Protocol) {
        address = literal;
    } else {
        const QHostInfo info = QHostInfo::fromName(host);
        const QList<QHostAddress> all = info.addresses();
        const auto it = std::find_if(all.begin(), all.end(), [](const QHostAddress& a) {
            return a.protocol() == QAbstractSocket::IPv4Protocol;
        });
        if (it == all.end()) {
            return false;
        }
        address = *it;
    }
    socket_ = new QTcpSocket(this);
    socket_->connectToHost(address, tcpPort);
    // Blocks as a plain connect does: the caller's window waits until the system answers.
    if (!socket_->waitForConnected(-1)) {
        drop();
        return false;
    }
    socketio::tune(socket_);
    connect(socket_, &QTcpSocket::readyRead, this, &StreamClient::onReadyRead);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        onReadyRead();  // bytes that came before the close are delivered first
        emit connectionLost();
    });
    connected_ = true;
    // Bytes may have come with the connection itself.
    if (socket_->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(this, &StreamClient::onReadyRead, Qt::QueuedConnection);
    }
    return true;
}

void StreamClient::disconnectFromServer() {
    drop();
}

bool StreamClient::send(ByteView bytes) {
    if (!connected_) {
        return false;
    }
    return socketio::writeAll(socket_, bytes);
}

bool StreamClient::isConnected() const {
    return connected_ && socket_ != nullptr && socket_->state() == QAbstractSocket::ConnectedState;
}

void StreamClient::onReadyRead() {
    // Bytes that arrive while a handler lets pending events run are not announced again by the
    // socket, so the loop looks once more after each event.
    QPointer<QTcpSocket> socket(socket_);
    while (socket && socket == socket_) {
        ByteBuffer bytes = socket->readAll();
        if (bytes.isEmpty()) {
            return;
        }
        emit dataArrived(bytes);
    }
}
