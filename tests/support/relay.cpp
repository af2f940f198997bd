#include "relay.h"

#include <QTimer>

Relay::Relay(quint16 targetPort, QObject* parent) : QObject(parent), targetPort_(targetPort) {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, &Relay::onNewConnection);
}

void Relay::onNewConnection() {
    receiverSide_ = server_.nextPendingConnection();
    senderSide_ = new QTcpSocket(this);
    senderSide_->connectToHost(QHostAddress::LocalHost, targetPort_);
    senderSide_->waitForConnected(5000);
    for (QTcpSocket* s : {receiverSide_, senderSide_}) {
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }
    connect(receiverSide_, &QTcpSocket::readyRead, this, [this] {
        const QByteArray b = receiverSide_->readAll();
        recordedToSender_ += b;
        waitingToSender_ += b;
        pump(Direction::ToSender);
    });
    connect(senderSide_, &QTcpSocket::readyRead, this, [this] {
        const QByteArray b = senderSide_->readAll();
        recordedToReceiver_ += b;
        waitingToReceiver_ += b;
        pump(Direction::ToReceiver);
    });
    connect(receiverSide_, &QTcpSocket::disconnected, senderSide_, &QTcpSocket::disconnectFromHost);
    connect(senderSide_, &QTcpSocket::disconnected, receiverSide_,
            &QTcpSocket::disconnectFromHost);
}

void Relay::pump(Direction d) {
    const int i = d == Direction::ToSender ? 0 : 1;
    if (scheduled_[i]) {
        return;
    }
    QByteArray& waiting = d == Direction::ToSender ? waitingToSender_ : waitingToReceiver_;
    QTcpSocket* out = d == Direction::ToSender ? senderSide_ : receiverSide_;
    if (waiting.isEmpty() || out == nullptr) {
        return;
    }
    qsizetype n = cutter_ ? cutter_(d, waiting.size()) : 0;
    if (n <= 0 || n > waiting.size()) {
        n = waiting.size();
    }
    out->write(waiting.first(n));
    out->flush();
    waiting.remove(0, n);
    if (!waiting.isEmpty()) {
        scheduled_[i] = true;
        QTimer::singleShot(pauseMs_, this, [this, d, i] {
            scheduled_[i] = false;
            pump(d);
        });
    }
}
