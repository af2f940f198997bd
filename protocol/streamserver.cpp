#include "streamserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>

#include "tcpconnection.h"

StreamServer::StreamServer(int port, QObject* parent) : QObject(parent), port_(port) {
    listen();
}

StreamServer::~StreamServer() {
    closeListener();
    for (Connection& c : connections_) {
        c.socket->disconnect(this);
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

void StreamServer::closeListener() {
    delete acceptNotifier_;
    acceptNotifier_ = nullptr;
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
    listeningPort_ = 0;
}

void StreamServer::listen() {
    closeListener();
    // A step that fails leaves no listening socket; nothing is reported, and no peer can connect.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);  // a port just left is free
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(static_cast<quint16>(port_ & 0xFFFF));
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, SOMAXCONN) != 0 ||  // the system's largest backlog
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return;
    }
    listenFd_ = fd;
    listeningPort_ = ntohs(addr.sin_port);
    acceptNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(acceptNotifier_, &QSocketNotifier::activated, this, &StreamServer::onAcceptable);
}

bool StreamServer::isListening() const {
    return listenFd_ >= 0;
}

quint16 StreamServer::listeningPort() const {
    return listeningPort_;
}

void StreamServer::onAcceptable() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;  // nothing more waits (or the system refused: the peer is dropped silently)
        }
        auto* socket = new TcpConnection(fd, this);
        const QString address = socket->peerAddress();
        if (address.isEmpty()) {
            delete socket;
            continue;
        }
        connections_.push_back({socket, address});
        connect(socket, &TcpConnection::bytesArrived, this,
                [this, address](const ByteBuffer& bytes) { emit dataArrived(bytes, address); });
        connect(socket, &TcpConnection::closedByPeer, this,
                [this, socket] { onClosedByPeer(socket); });
        emit clientEntered(address);
        if (listenFd_ < 0) {
            return;  // a handler moved the port
        }
    }
}

void StreamServer::onClosedByPeer(TcpConnection* socket) {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [socket](const Connection& c) { return c.socket == socket; });
    if (it == connections_.end()) {
        return;
    }
    const QString address = it->address;
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
            return c.socket->write(bytes);
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
