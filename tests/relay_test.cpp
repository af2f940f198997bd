#include "relay.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <random>

#include "messages.h"
#include "rawpeer.h"
#include "receiverengine.h"
#include "scriptedprompts.h"
#include "senderengine.h"
#include "streamclient.h"
#include "streamserver.h"
#include "testutil.h"

namespace {

using testutil::waitUntil;

const QString kSent = QStringLiteral("文件发送完成!");
const QString kReceived = QStringLiteral("文件接收完成!");

bool saw(const ScriptedPrompts& prompts, const QString& text) {
    for (const auto& m : prompts.messages) {
        if (m.text == text) {
            return true;
        }
    }
    return false;
}

// The real sender engine and the real receiver engine, each with its own controls and
// prompts, talking through a relay that may cut the stream as it likes.
class Transfer : public ::testing::Test {
protected:
    Transfer() {
        sBar.setRange(0, 100);
        rBar.setRange(0, 100);
        QObject::connect(&server, &StreamServer::clientEntered, &sender,
                         &SenderEngine::onClientEntered);
        QObject::connect(&server, &StreamServer::dataArrived, &sender,
                         &SenderEngine::onDataArrived);
        QObject::connect(&server, &StreamServer::clientLeft, &sender, &SenderEngine::onClientLeft);
        QObject::connect(&client, &StreamClient::dataArrived, &receiver,
                         &ReceiverEngine::onDataArrived);
        QObject::connect(&client, &StreamClient::connectionLost, &receiver,
                         &ReceiverEngine::onConnectionLost);
        QObject::connect(&timer, &QTimer::timeout, &receiver, &ReceiverEngine::onWatchTick);
        sender.onWindowCreated();
        receiver.onWindowCreated();
    }

    void connectThrough(quint16 port) {
        ASSERT_TRUE(client.connectTo(QStringLiteral("127.0.0.1"), port));
        ASSERT_TRUE(waitUntil([&] { return !sClient.text().isEmpty(); }));
    }

    // Sends `data` and waits until both sides have announced the end.
    void transfer(const QByteArray& data, const QString& name = QStringLiteral("f.bin")) {
        const QString source = dir.filePath(QStringLiteral("src-") + name);
        testutil::writeFile(source, data);
        const QString target = dir.filePath(QStringLiteral("dst-") + name);
        rPrompts.saveAnswers.push_back(target);
        sPrompts.messages.clear();
        rPrompts.messages.clear();
        sPath.setText(source);
        sender.onSendClicked();
        ASSERT_TRUE(
            waitUntil([&] { return saw(sPrompts, kSent) && saw(rPrompts, kReceived); }, 60000))
            << "sender " << sPrompts.messages.size() << " receiver " << rPrompts.messages.size();
        const QByteArray got = testutil::readFile(target);
        ASSERT_EQ(got.size(), data.size());
        EXPECT_TRUE(got == data);
    }

    QTemporaryDir dir;
    QLineEdit sPath, sClient, sSize;
    QProgressBar sBar;
    QPushButton sSend;
    ScriptedPrompts sPrompts;
    StreamServer server{0};
    SenderEngine sender{{&sPath, &sClient, &sSize, &sBar, &sSend}, server, sPrompts};

    QLineEdit rSize, rName;
    QProgressBar rBar;
    QPushButton rConnect;
    QTimer timer;
    ScriptedPrompts rPrompts;
    StreamClient client;
    ReceiverEngine receiver{{&rSize, &rName, &rBar, &rConnect, &timer}, client, rPrompts};
};

// A file of the protocol's own messages, and one of nothing but markers.
QByteArray recording() {
    QByteArray out = wire::buildHeader(2100, "inner.bin", testutil::randomBytes(1000, 5));
    out += wire::ackMessage() + wire::buildChunk(testutil::randomBytes(1000, 6));
    out += wire::ackMessage() + wire::buildChunk("^&*^&*^&*") + wire::doneMessage();
    return out.repeated(40);
}

QByteArray markers(int count) {
    return QByteArray("^&*").repeated(count);
}

TEST_F(Transfer, pass_through_conversation_is_what_a_sender_and_receiver_expect) {
    Relay relay(server.listeningPort());
    connectThrough(relay.port());
    const QByteArray data = testutil::randomBytes(2500, 9);
    transfer(data);
    const QByteArray expectedToReceiver = wire::buildHeader(2500, "src-f.bin", data.first(1000)) +
                                          wire::buildChunk(data.mid(1000, 1000)) +
                                          wire::buildChunk(data.mid(2000));
    EXPECT_EQ(relay.toReceiver(), expectedToReceiver);
    EXPECT_EQ(relay.toSender(), QByteArray("^&*").repeated(3) + wire::doneMessage());
}

TEST_F(Transfer, every_message_split_at_every_position_still_completes) {
    Relay relay(server.listeningPort());
    // Each message is cut once, at a position that moves on by one with every message, so that
    // over the file every cut position of a full chunk occurs.
    int count = 0;
    bool secondHalf[2] = {false, false};
    relay.setCutter([&](Relay::Direction d, qsizetype waiting) -> qsizetype {
        const int i = d == Relay::Direction::ToSender ? 0 : 1;
        if (secondHalf[i] || waiting < 2) {
            secondHalf[i] = false;
            return waiting;
        }
        secondHalf[i] = true;
        return 1 + (count++ % (waiting - 1));
    });
    relay.setPauseMs(1);
    connectThrough(relay.port());
    transfer(testutil::randomBytes(1 << 20, 11));
    transfer(markers(3000), QStringLiteral("markers"));
}

TEST_F(Transfer, random_splits_and_merges_in_both_directions_still_complete) {
    Relay relay(server.listeningPort());
    std::mt19937 gen(21);
    relay.setCutter([&](Relay::Direction, qsizetype waiting) -> qsizetype {
        return 1 + static_cast<qsizetype>(gen() % static_cast<unsigned>(waiting));
    });
    relay.setPauseMs(1);
    connectThrough(relay.port());
    transfer(testutil::randomBytes(300 * 1000 + 7, 13));
    transfer(markers(10000), QStringLiteral("markers"));
    transfer(recording(), QStringLiteral("recording"));
    transfer({}, QStringLiteral("empty"));
}

TEST_F(Transfer, a_sender_that_writes_one_message_at_a_time_completes) {
    // A peer that follows the layout to the letter: one message per write, each chunk only
    // after the acknowledgement of the one before.
    RawPeer peer;
    const quint16 port = peer.listen();
    ASSERT_TRUE(client.connectTo(QStringLiteral("127.0.0.1"), port));
    ASSERT_TRUE(peer.accept());
    const QByteArray data = recording();
    const QString target = dir.filePath("raw-target");
    rPrompts.saveAnswers.push_back(target);
    ASSERT_TRUE(peer.write(
        wire::buildHeader(static_cast<std::int32_t>(data.size()), "r", data.first(1000))));
    for (qsizetype at = 1000;; at += 1000) {
        ASSERT_EQ(peer.read(3), wire::ackMessage()) << at;
        if (at >= data.size()) {
            break;
        }
        ASSERT_TRUE(peer.write(wire::buildChunk(data.mid(at, 1000))));
    }
    EXPECT_EQ(peer.read(6), wire::doneMessage());
    ASSERT_TRUE(waitUntil([&] { return saw(rPrompts, kReceived); }));
    EXPECT_TRUE(testutil::readFile(target) == data);
}

}  // namespace
