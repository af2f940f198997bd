#pragma once

#include <QObject>
#include <QString>

#include "bytebuffer.h"

class TcpConnection;

// The connecting TCP endpoint on IPv4: one connection at a time.
class StreamClient : public QObject {
    Q_OBJECT
public:
    explicit StreamClient(QObject* parent = nullptr);
    ~StreamClient() override;

    // Blocks until the connection is made or refused (the system's own time-out applies). A port
    // below 1 becomes 1 and only its low 16 bits are used. A dotted IPv4 text is the address;
    // any other text is looked up and its first IPv4 address used. An empty host fails at once.
    // Any earlier connection is closed first, without an event.
    bool connectTo(const QString& host, int port);
    // Closes the connection, if any, without an event.
    void disconnectFromServer();
    // Fails unless a connection is open; otherwise hands every byte to the system or fails.
    bool send(ByteView bytes);
    bool isConnected() const;

signals:
    void dataArrived(const ByteBuffer& bytes);
    // The server closed the connection (never raised for disconnectFromServer).
    void connectionLost();

private:
    void drop();

    TcpConnection* socket_ = nullptr;
    bool connected_ = false;
};
