#include "rawpeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cerrno>

RawPeer::~RawPeer() {
    close();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
}

bool RawPeer::connectTo(std::uint16_t port) {
    close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close();
        return false;
    }
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}

std::uint16_t RawPeer::listen() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = 0;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 16) != 0) {
        return 0;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

namespace {

// Waits for `fd` to become readable while the thread's event loop goes on, so that the Qt side
// of a test keeps running; false when `deadline` passes first.
bool pollPumping(int fd, const QDeadlineTimer& deadline) {
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1) > 0) {
            return true;
        }
        if (deadline.hasExpired()) {
            return false;
        }
    }
}

}  // namespace

bool RawPeer::accept(int ms) {
    if (!pollPumping(listenFd_, QDeadlineTimer(ms))) {
        return false;
    }
    close();
    fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd_ >= 0;
}

bool RawPeer::write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + done,
                                 static_cast<std::size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray RawPeer::read(int atLeast, int ms, int max) {
    QByteArray out;
    QDeadlineTimer deadline(ms);
    char buf[65536];
    while (out.size() < atLeast && out.size() < max) {
        if (!pollPumping(fd_, deadline)) {
            break;
        }
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        out.append(buf, n);
    }
    return out;
}

bool RawPeer::waitClosed(int ms) {
    QDeadlineTimer deadline(ms);
    char buf[4096];
    while (!deadline.hasExpired()) {
        if (!pollPumping(fd_, deadline)) {
            return false;
        }
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
            return true;
        }
    }
    return false;
}

void RawPeer::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::uint16_t RawPeer::localPort() const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}
