#pragma once

#include <QObject>
#include <QString>

#include "bytebuffer.h"

class QSocketNotifier;

// One connected TCP socket on the event loop: the part of both endpoints that reads and writes.
// Each read notification costs one read of the system (a short read means nothing more waits),
// and each write is handed to the system at once; only what the system cannot take yet waits
// for the socket to become writable. No Nagle delay: every message is small and waits for its
// answer.
class TcpConnection : public QObject {
    Q_OBJECT
public:
    // Takes over `fd`, a connected stream socket.
    explicit TcpConnection(int fd, QObject* parent = nullptr);
    // Closes the socket without raising any event.
    ~TcpConnection() override;

    bool isOpen() const { return fd_ >= 0; }
    // False when the connection is closed or the system refuses the bytes; what was written
    // before a failure stays on the wire. No bytes succeed at once.
    bool write(ByteView bytes);
    // Closes the socket without raising any event.
    void close();

    // The peer as "a.b.c.d:port", empty when it cannot be told.
    QString peerAddress() const { return peer_; }

signals:
    // All the bytes that were waiting, in order.
    void bytesArrived(const ByteBuffer& bytes);
    // The peer closed the connection (or it broke); raised after the last bytes, and the socket
    // is closed once the handlers have run.
    void closedByPeer();

private:
    void onReadable();
    void onWritable();
    // Reads what waits; false when the peer closed the connection or it broke.
    bool readWaiting(ByteBuffer& out);

    int fd_;
    QString peer_;
    QSocketNotifier* readNotifier_;
    QSocketNotifier* writeNotifier_;
    ByteBuffer pending_;       // bytes the system could not take yet
    bool delivering_ = false;  // a bytesArrived handler is running
    bool missed_ = false;      // bytes came while it ran
};
