#include "streamclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>
#include <QHostInfo>
#include <algorithm>
#include <cerrno>

#include "tcpconnection.h"

StreamClient::StreamClient(QObject* parent) : QObject(parent) {}

StreamClient::~StreamClient() {
    drop();
}

void StreamClient::drop() {
    if (socket_ != nullptr) {
        socket_->disconnect(this);
        socket_->close();
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
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(tcpPort);
    addr.sin_addr.s_addr = htonl(address.toIPv4Address());
    // Blocks as a plain connect does: the caller's window waits until the system answers.
    int rc = 0;
    do {
        rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    socket_ = new TcpConnection(fd, this);
    connect(socket_, &TcpConnection::bytesArrived, this, &StreamClient::dataArrived);
    connect(socket_, &TcpConnection::closedByPeer, this, &StreamClient::connectionLost);
    connected_ = true;
    return true;
}

void StreamClient::disconnectFromServer() {
    drop();
}

bool StreamClient::send(ByteView bytes) {
    if (!connected_ || socket_ == nullptr) {
        return false;
    }
    return socket_->write(bytes);
}

bool StreamClient::isConnected() const {
    return connected_ && socket_ != nullptr && socket_->isOpen();
}
