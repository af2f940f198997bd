#include "tcpconnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>

namespace {

constexpr int kReadBlock = 64 * 1024;

QString peerOf(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        addr.sin_family != AF_INET) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return QString::fromLatin1(text) + u':' + QString::number(ntohs(addr.sin_port));
}

}  // namespace

TcpConnection::TcpConnection(int fd, QObject* parent)
    : QObject(parent),
      fd_(fd),
      peer_(peerOf(fd)),
      readNotifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      writeNotifier_(new QSocketNotifier(fd, QSocketNotifier::Write, this)) {
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    writeNotifier_->setEnabled(false);
    connect(readNotifier_, &QSocketNotifier::activated, this, &TcpConnection::onReadable);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &TcpConnection::onWritable);
}

TcpConnection::~TcpConnection() {
    close();
}

void TcpConnection::close() {
    if (fd_ < 0) {
        return;
    }
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool TcpConnection::write(ByteView bytes) {
    if (fd_ < 0) {
        return false;
    }
    if (bytes.isEmpty()) {
        return true;
    }
    if (!pending_.isEmpty()) {
        pending_.append(bytes);  // behind what waits already, to keep the order
        return true;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done,
                                 static_cast<std::size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pending_ = bytes.sliced(done).toByteArray();
            writeNotifier_->setEnabled(true);
            return true;
        }
        return false;
    }
    return true;
}

void TcpConnection::onWritable() {
    while (!pending_.isEmpty() && fd_ >= 0) {
        const ssize_t n = ::send(fd_, pending_.constData(),
                                 static_cast<std::size_t>(pending_.size()), MSG_NOSIGNAL);
        if (n > 0) {
            pending_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        pending_.clear();  // the connection broke; the read side will tell
    }
    writeNotifier_->setEnabled(false);
}

bool TcpConnection::readWaiting(ByteBuffer& out) {
    char block[kReadBlock];
    for (;;) {
        const ssize_t n = ::recv(fd_, block, sizeof block, 0);
        if (n > 0) {
            out.append(block, n);
            if (n < kReadBlock) {
                return true;  // a short read: nothing more waits
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        return false;  // closed by the peer, or broken
    }
}

void TcpConnection::onReadable() {
    if (delivering_) {
        // A handler lets events run: it is not entered again, and the bytes are read as soon
        // as it returns.
        missed_ = true;
        readNotifier_->setEnabled(false);
        return;
    }
    QPointer<TcpConnection> self(this);
    bool open = true;
    do {
        missed_ = false;
        ByteBuffer bytes;
        open = readWaiting(bytes);
        if (!bytes.isEmpty()) {
            delivering_ = true;
            emit bytesArrived(bytes);
            if (!self) {
                return;
            }
            delivering_ = false;
            if (fd_ < 0) {
                return;  // closed by a handler
            }
        }
    } while (open && missed_);
    if (!open) {
        readNotifier_->setEnabled(false);
        writeNotifier_->setEnabled(false);
        emit closedByPeer();
        if (self) {
            close();
        }
        return;
    }
    readNotifier_->setEnabled(true);
}
