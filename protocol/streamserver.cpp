#include "streamserver.h"

#include <sys/socket.h>

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

#include "socketio.h"

StreamServer::StreamServer(int port, QObject* parent)
    : QObject(parent), server_(new QTcpServer(this)), port_(port) {
    connect(server_, &QTcpServer::newConnection, this, &StreamServer::onNewConnection);
    listen();
}

StreamServer::~StreamServer() {
    for (Connection& c : connections_) {
        c.socket->disconnect(this);
        c.socket->abort();
        delete c.socket;
    }
    connections_.clear();
}

void StreamServer::setPort(int port) {
    const int value = std::max(port, 1);
    if (value == port_) {
        return;
    }
    port_ = value;
    listen();
}

void StreamServer::listen() {
    server_->close();
    server_->setListenBacklogSize(SOMAXCONN);  // the system's largest backlog
    // A failed listen leaves no listening socket; nothing is reported, and no peer can connect.
    server_->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port_ & 0xFFFF));
}

bool StreamServer::isListening() const {
    return server_->isListening();
}

quint16 StreamServer::listeningPort() const {
    return server_->isListening() ? server_->serverPort() : 0;
}

void StreamServer::onNewConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        const QHostAddress peer = socket->peerAddress();
        bool ok = false;
        const quint32 ipv4 = peer.toIPv4Address(&ok);
        if (!ok || socket->state() != QAbstractSocket::ConnectedState) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socketio::tune(socket);
        const QString address =
            QHostAddress(ipv4).toString() + u':' + QString::number(socket->peerPort());
        connections_.push_back({socket, address});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { onDisconnected(socket); });
        emit clientEntered(address);
    }
}

const StreamServer::Connection* StreamServer::find(const QTcpSocket* socket) const {
    for (const Connection& c : connections_) {
        if (c.socket == socket) {
            return &c;
        }
    }
    return nullptr;
}

void StreamServer::onReadyRead(QTcpSocket* socket) {
    QPointer<QTcpSocket> guard(socket);
    // Bytes that arrive while a handler lets pending events run are not announced again by the
    // socket, so the loop looks once more after each event.
    while (guard) {
        const Connection* c = find(socket);
        if (c == nullptr) {
            return;
        }
        ByteBuffer bytes = socket->readAll();
        if (bytes.isEmpty()) {
            return;
        }
        const QString address = c->address;
        emit dataArrived(bytes, address);
    }
}

void StreamServer::onDisconnected(QTcpSocket* socket) {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [socket](const Connection& c) { return c.socket == socket; });
    if (it == connections_.end()) {
        return;
    }
    const QString address = it->address;
    // Bytes that came before the close are delivered before the peer is said to have left.
    if (ByteBuffer rest = socket->readAll(); !rest.isEmpty()) {
        emit dataArrived(rest, address);
        it = std::find_if(connections_.begin(), connections_.end(),
                          [socket](const Connection& c) { return c.socket == socket; });
        if (it == connections_.end()) {
            return;
        }
    }
    connections_.erase(it);
    socket->disconnect(this);
    emit clientLeft(address);
    socket->close();
    socket->deleteLater();
}

bool StreamServer::send(const QString& address, ByteView bytes) {
    if (address.isEmpty()) {
        return false;
    }
    for (const Connection& c : connections_) {
        if (c.address == address) {
            return socketio::writeAll(c.socket, bytes);
        }
    }
    return false;
}

QStringList StreamServer::clientAddresses() const {
    QStringList out;
    for (const Connection& c : connections_) {
        out << c.address;
    }
    return out;
}
