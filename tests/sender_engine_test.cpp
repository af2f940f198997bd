#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "messages.h"
#include "rawpeer.h"
#include "scriptedprompts.h"
#include "senderengine.h"
#include "streamserver.h"
#include "testutil.h"
#include "wiretext.h"

namespace {

using Message = ScriptedPrompts::Message;
using testutil::waitUntil;

const QByteArray kAck = "^&*";
const QByteArray kDone = "^&*^&*";

// The sender's engine with real controls and a real server on a free port, wired as its window
// wires it; a raw peer plays the receiver.
class SenderTest : public ::testing::Test {
protected:
    SenderTest() {
        bar.setRange(0, 100);
        QObject::connect(&server, &StreamServer::clientEntered, &engine,
                         &SenderEngine::onClientEntered);
        QObject::connect(&server, &StreamServer::dataArrived, &engine,
                         &SenderEngine::onDataArrived);
        QObject::connect(&server, &StreamServer::clientLeft, &engine, &SenderEngine::onClientLeft);
        engine.onWindowCreated();
    }

    void connectPeer(RawPeer& peer) {
        const QString before = client.text();
        ASSERT_TRUE(peer.connectTo(server.listeningPort()));
        ASSERT_TRUE(waitUntil([&] { return client.text() != before; }));
    }

    QString makeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        testutil::writeFile(path, bytes);
        return path;
    }

    void send(const QString& path) {
        pathBox.setText(path);
        engine.onSendClicked();
    }

    // Nothing more arrives within a short while.
    static bool quiet(RawPeer& peer) { return peer.read(1, 150).isEmpty(); }

    QTemporaryDir dir;
    QLineEdit pathBox, client, size;
    QProgressBar bar;
    QPushButton sendButton;
    ScriptedPrompts prompts;
    StreamServer server{0};
    SenderEngine engine{{&pathBox, &client, &size, &bar, &sendButton}, server, prompts};
};

TEST_F(SenderTest, send_without_a_peer_is_refused) {
    send(makeFile("a.txt", "hello"));
    EXPECT_EQ(prompts.messages,
              (std::vector<Message>{{QStringLiteral("无接收客户，无法发送文件!"), "提示"}}));
    EXPECT_FALSE(engine.state().sourceFile.isOpen());
    EXPECT_TRUE(size.text().isEmpty());
}

TEST_F(SenderTest, files_travel_as_header_and_acknowledged_chunks) {
    struct Case {
        int length;
        std::vector<int> progress;  // after the header, then after each chunk
    };
    const Case cases[] = {
        {0, {0}}, {1, {100}}, {1000, {100}}, {1001, {99, 100}}, {2500, {40, 80, 100}},
    };
    RawPeer peer;
    connectPeer(peer);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const QByteArray data = testutil::randomBytes(c.length, c.length);
        send(makeFile("f.bin", data));
        EXPECT_EQ(size.text(), QString::number(c.length));
        const qsizetype first = std::min(c.length, 1000);
        const QByteArray header = wire::buildHeader(c.length, "f.bin", data.first(first));
        EXPECT_EQ(testutil::hex(peer.read(header.size())), testutil::hex(header));
        EXPECT_EQ(bar.value(), c.progress[0]);
        EXPECT_TRUE(sendButton.isEnabled());
        std::size_t step = 1;
        for (qsizetype at = 1000; at < c.length; at += 1000, ++step) {
            peer.write(kAck);
            const QByteArray chunk = wire::buildChunk(data.mid(at, 1000));
            EXPECT_EQ(peer.read(chunk.size()), chunk);
            ASSERT_TRUE(waitUntil([&] { return bar.value() == c.progress[step]; }));
            EXPECT_FALSE(sendButton.isEnabled());
        }
        peer.write(kAck);  // the acknowledgement that finds the file at its end
        ASSERT_TRUE(waitUntil([&] { return !engine.state().sourceFile.isOpen(); }));
        EXPECT_TRUE(quiet(peer));
        EXPECT_FALSE(sendButton.isEnabled());
        peer.write(kDone);
        ASSERT_TRUE(waitUntil([&] { return sendButton.isEnabled(); }));
        EXPECT_EQ(prompts.messages.back(), (Message{QStringLiteral("文件发送完成!"), "OK"}));
    }
}

TEST_F(SenderTest, progress_is_truncated_not_rounded) {
    RawPeer peer;
    connectPeer(peer);
    send(makeFile("big", testutil::randomBytes(100000)));
    peer.read(1020);
    for (int i = 0; i < 28; ++i) {  // 29000 bytes sent after 28 chunks
        peer.write(kAck);
        peer.read(1003);
    }
    EXPECT_EQ(engine.state().sourceFile.position(), 29000);
    EXPECT_EQ(bar.value(), 28);
}

TEST_F(SenderTest, chinese_name_is_counted_in_bytes) {
    RawPeer peer;
    connectPeer(peer);
    send(makeFile(QStringLiteral("测试.txt"), "xy"));
    const QByteArray header = peer.read(20 + 8 + 2);
    EXPECT_EQ(wire::readInt32(header, wire::kNameLengthOffset), 8);
    EXPECT_EQ(wiretext::decodeName(wire::parseHeader(header).name), QStringLiteral("测试.txt"));
}

TEST(SenderName, name_is_the_last_piece_of_the_path) {
    const std::pair<QString, QString> cases[] = {
        {"/home/u/docs/report.txt", "report.txt"},
        {"report.txt", "report.txt"},
        {"/home/u/docs/", "docs"},
        {"/", ""},
        {"", ""},
        {"dir\\file.txt", "dir\\file.txt"},
        {QStringLiteral("/tmp/测试.txt"), QStringLiteral("测试.txt")},
        {"a//b", "b"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(SenderEngine::nameFromPath(path), name) << path.toStdString();
    }
}

TEST_F(SenderTest, what_cannot_be_sent_is_refused_with_a_message) {
    const QString sparse = makeFile("sparse", {});
    ASSERT_EQ(::truncate(sparse.toLocal8Bit().constData(), 2147483648LL), 0);
    struct Case {
        QString path;
        QString message;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("请选择要发送的文件!")},
        {dir.filePath("missing.txt"), QStringLiteral("无法打开文件，请检查文件路径!")},
        {dir.path(), QStringLiteral("无法打开文件，请检查文件路径!")},
        {sparse, QStringLiteral("文件超过 2147483647 字节，无法发送!")},
    };
    RawPeer peer;
    connectPeer(peer);
    for (const Case& c : cases) {
        send(c.path);
        EXPECT_EQ(prompts.messages.back(), (Message{c.message, "提示"})) << c.path.toStdString();
        EXPECT_TRUE(size.text().isEmpty());
        EXPECT_FALSE(engine.state().sourceFile.isOpen());
    }
    EXPECT_TRUE(quiet(peer));
}

TEST_F(SenderTest, the_largest_announceable_file_is_sent) {
    const QString path = makeFile("max", {});
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), 2147483647LL), 0);
    RawPeer peer;
    connectPeer(peer);
    send(path);
    const QByteArray header = peer.read(20 + 3 + 1000);
    EXPECT_EQ(wire::readInt32(header, wire::kFileLengthOffset), 2147483647);
    EXPECT_EQ(size.text(), "2147483647");
}

TEST_F(SenderTest, the_peer_that_entered_last_gets_every_message) {
    RawPeer first, second;
    connectPeer(first);
    connectPeer(second);
    EXPECT_EQ(client.text(), QStringLiteral("127.0.0.1:%1").arg(second.localPort()));
    const QByteArray data = testutil::randomBytes(1500);
    send(makeFile("f", data));
    EXPECT_EQ(second.read(1021).size(), 1021);
    first.write(kAck);  // an acknowledgement from the other peer drives the transfer too
    EXPECT_EQ(second.read(503), wire::buildChunk(data.mid(1000)));
    EXPECT_TRUE(quiet(first));
}

TEST_F(SenderTest, lone_ack_and_done_at_any_time) {
    RawPeer peer;
    connectPeer(peer);
    peer.write(kAck);
    ASSERT_TRUE(waitUntil([&] { return !sendButton.isEnabled(); }));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(quiet(peer));
    peer.write(kDone);
    ASSERT_TRUE(waitUntil([&] { return sendButton.isEnabled(); }));
    EXPECT_EQ(prompts.messages, (std::vector<Message>{{QStringLiteral("文件发送完成!"), "OK"}}));
}

TEST_F(SenderTest, ack_and_done_in_one_notification_are_both_acted_on) {
    RawPeer peer;
    connectPeer(peer);
    send(makeFile("small", "tiny"));
    peer.read(20 + 5 + 4);
    peer.write(kAck + kDone);
    ASSERT_TRUE(waitUntil([&] { return !prompts.messages.empty(); }));
    EXPECT_FALSE(engine.state().sourceFile.isOpen());
    EXPECT_TRUE(sendButton.isEnabled());
    EXPECT_EQ(prompts.messages.back().text, QStringLiteral("文件发送完成!"));
}

TEST_F(SenderTest, done_split_over_two_notifications_is_recognised) {
    RawPeer peer;
    connectPeer(peer);
    send(makeFile("small", "tiny"));
    peer.read(29);
    peer.write(kAck);
    ASSERT_TRUE(waitUntil([&] { return !engine.state().sourceFile.isOpen(); }));
    peer.write("^&*");
    testutil::spin(50);
    EXPECT_FALSE(sendButton.isEnabled()) << "half a DoneMessage is not an acknowledgement";
    peer.write("^&*");
    ASSERT_TRUE(waitUntil([&] { return sendButton.isEnabled(); }));
    EXPECT_EQ(prompts.messages.back().text, QStringLiteral("文件发送完成!"));
}

TEST_F(SenderTest, peer_leaving_mid_transfer_ends_it_with_a_message) {
    RawPeer peer;
    connectPeer(peer);
    send(makeFile("f", testutil::randomBytes(5000)));
    peer.read(1016);
    peer.write(kAck);
    peer.read(1003);
    peer.close();
    ASSERT_TRUE(waitUntil([&] { return !prompts.messages.empty(); }));
    EXPECT_EQ(prompts.messages.back(),
              (Message{QStringLiteral("接收方已断开，文件发送未完成!"), "提示"}));
    EXPECT_TRUE(sendButton.isEnabled());
    EXPECT_FALSE(engine.state().sourceFile.isOpen());
}

TEST_F(SenderTest, send_again_before_the_first_ack_replaces_the_file) {
    RawPeer peer;
    connectPeer(peer);
    send(makeFile("one", testutil::randomBytes(1500, 1)));
    peer.read(1018);
    const QByteArray two = testutil::randomBytes(1500, 2);
    send(makeFile("two", two));
    EXPECT_EQ(peer.read(1018), wire::buildHeader(1500, "two", two.first(1000)));
    peer.write(kAck);
    EXPECT_EQ(peer.read(503), wire::buildChunk(two.mid(1000)));
}

}  // namespace
