#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "bytebuffer.h"

class QSocketNotifier;
class TcpConnection;

// The listening TCP endpoint on IPv4. It keeps the accepted connections in the order accepted,
// each named by its ClientAddress ("10.0.0.5:50123"), and reports their bytes as they arrive.
// Events are raised on the thread's event loop; when the server goes, it closes its sockets
// without raising any.
class StreamServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultPort = 19730;

    // Listens at once on `port` on every local interface. Port 0 lets the system choose a free
    // port (for tests and the benchmark; a user's port is always 1 or above).
    explicit StreamServer(int port = kDefaultPort, QObject* parent = nullptr);
    ~StreamServer() override;

    int port() const { return port_; }
    // A value below 1 becomes 1. The value the server already has changes nothing, even when it
    // is not listening. Any other value closes the listening socket and listens on the new port;
    // connections accepted earlier stay open and usable.
    void setPort(int port);
    bool isListening() const;
    // The TCP port actually listened on, 0 when not listening.
    quint16 listeningPort() const;

    // Hands every byte to the connection named `address` (the first match). Fails for an empty
    // or unknown address and when the system refuses the bytes; succeeds at once for no bytes.
    bool send(const QString& address, ByteView bytes);

    QStringList clientAddresses() const;

signals:
    // Raised after the connection joined the list, so a send to it works from the handler.
    void clientEntered(const QString& address);
    // All the bytes that were waiting, in order, with no regard to message boundaries.
    void dataArrived(const ByteBuffer& bytes, const QString& address);
    // Raised after the connection left the list, before it is closed.
    void clientLeft(const QString& address);

private:
    struct Connection {
        TcpConnection* socket;
        QString address;
    };

    void listen();
    void closeListener();
    void onAcceptable();
    void onClosedByPeer(TcpConnection* socket);

    int listenFd_ = -1;
    QSocketNotifier* acceptNotifier_ = nullptr;
    quint16 listeningPort_ = 0;
    int port_;
    std::vector<Connection> connections_;
};
