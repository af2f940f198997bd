#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>
#include <functional>
#include <random>

// A TCP relay on 127.0.0.1 between a receiver and a sender, on the test's own event loop. It
// records every byte in each direction and can cut the stream into pieces of its choosing, each
// handed to the socket on its own after a pause, so that the far side sees messages split and
// merged as a real network may deliver them.
class Relay : public QObject {
    Q_OBJECT
public:
    enum class Direction { ToSender, ToReceiver };
    // The size of the next piece to forward, given the direction and how many bytes wait; 0 or
    // less forwards everything that waits.
    using Cutter = std::function<qsizetype(Direction, qsizetype waiting)>;

    // Listens on a free port and relays each connection to 127.0.0.1:`targetPort`.
    explicit Relay(quint16 targetPort, QObject* parent = nullptr);

    quint16 port() const { return server_.serverPort(); }
    void setCutter(Cutter cutter) { cutter_ = std::move(cutter); }
    // Milliseconds between two pieces (0: the next turn of the event loop).
    void setPauseMs(int ms) { pauseMs_ = ms; }

    const QByteArray& toSender() const { return recordedToSender_; }
    const QByteArray& toReceiver() const { return recordedToReceiver_; }

private:
    void onNewConnection();
    void pump(Direction d);

    QTcpServer server_;
    quint16 targetPort_;
    QTcpSocket* receiverSide_ = nullptr;
    QTcpSocket* senderSide_ = nullptr;
    QByteArray waitingToSender_, waitingToReceiver_;
    QByteArray recordedToSender_, recordedToReceiver_;
    bool scheduled_[2] = {false, false};
    Cutter cutter_;
    int pauseMs_ = 0;
};
