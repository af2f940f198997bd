#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// A test peer on plain blocking sockets, outside the event loop: it writes exactly the bytes a
// test gives it, one write each, and reads what the other side sends. Reads wait at most the
// given time, so a test never hangs.
class RawPeer {
public:
    RawPeer() = default;
    ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    // Connects to 127.0.0.1:port (blocking).
    bool connectTo(std::uint16_t port);
    // Listens on 127.0.0.1 on a free port; accept() takes the next connection.
    std::uint16_t listen();
    bool accept(int ms = 5000);

    bool write(const QByteArray& bytes);
    // Whatever arrives within `ms` milliseconds, up to `max` bytes; returns as soon as
    // `atLeast` bytes are in.
    QByteArray read(int atLeast, int ms = 5000, int max = 1 << 20);
    // True when the other side closed the connection within `ms` milliseconds.
    bool waitClosed(int ms = 5000);
    void close();
    std::uint16_t localPort() const;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
    int listenFd_ = -1;
};
