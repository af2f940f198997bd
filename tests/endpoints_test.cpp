#include <gtest/gtest.h>
#include <unistd.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "rawpeer.h"
#include "streamclient.h"
#include "streamserver.h"
#include "testutil.h"

namespace {

using testutil::waitUntil;

// A port that nothing listens on at the moment.
quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct ServerEvents {
    QStringList entered;
    QStringList left;
    std::vector<std::pair<QByteArray, QString>> data;

    explicit ServerEvents(StreamServer& server) {
        QObject::connect(&server, &StreamServer::clientEntered,
                         [this](const QString& a) { entered << a; });
        QObject::connect(&server, &StreamServer::clientLeft,
                         [this](const QString& a) { left << a; });
        QObject::connect(
            &server, &StreamServer::dataArrived,
            [this](const QByteArray& b, const QString& a) { data.emplace_back(b, a); });
    }
    QByteArray allBytes() const {
        QByteArray out;
        for (const auto& d : data) {
            out += d.first;
        }
        return out;
    }
};

TEST(StreamServer, listens_on_19730_by_default) {
    StreamServer server;
    EXPECT_EQ(server.port(), 19730);
    EXPECT_EQ(server.listeningPort(), 19730);
    RawPeer peer;
    EXPECT_TRUE(peer.connectTo(19730));
}

TEST(StreamServer, port_below_one_becomes_one) {
    StreamServer server(freePort());
    server.setPort(0);
    EXPECT_EQ(server.port(), 1);
    if (::geteuid() == 0) {
        EXPECT_EQ(server.listeningPort(), 1);
    }
    server.setPort(-5);
    EXPECT_EQ(server.port(), 1);
}

TEST(StreamServer, same_port_changes_nothing_even_when_not_listening) {
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::AnyIPv4, 0));
    const quint16 taken = squatter.serverPort();
    StreamServer server(taken);
    EXPECT_FALSE(server.isListening());
    squatter.close();
    server.setPort(taken);
    EXPECT_FALSE(server.isListening()) << "the same value must not reopen the socket";
    const quint16 other = freePort();
    server.setPort(other);
    EXPECT_EQ(server.listeningPort(), other);
}

TEST(StreamServer, new_port_keeps_earlier_connections_usable) {
    StreamServer server(0);
    ServerEvents events(server);
    RawPeer early;
    ASSERT_TRUE(early.connectTo(server.listeningPort()));
    ASSERT_TRUE(waitUntil([&] { return events.entered.size() == 1; }));
    const quint16 oldPort = server.listeningPort();
    const quint16 newPort = freePort();
    server.setPort(newPort);
    EXPECT_EQ(server.listeningPort(), newPort);
    EXPECT_TRUE(server.send(events.entered[0], "still here"));
    EXPECT_EQ(early.read(10), QByteArray("still here"));
    RawPeer late;
    EXPECT_TRUE(late.connectTo(newPort));
    EXPECT_TRUE(waitUntil([&] { return events.entered.size() == 2; }));
    RawPeer refused;
    EXPECT_FALSE(refused.connectTo(oldPort));
}

TEST(StreamServer, client_address_names_peer_address_and_port) {
    StreamServer server(0);
    ServerEvents events(server);
    RawPeer peer;
    ASSERT_TRUE(peer.connectTo(server.listeningPort()));
    ASSERT_TRUE(waitUntil([&] { return !events.entered.isEmpty(); }));
    EXPECT_EQ(events.entered[0], QStringLiteral("127.0.0.1:%1").arg(peer.localPort()));
    EXPECT_EQ(server.clientAddresses(), events.entered);
}

TEST(StreamServer, send_reaches_the_peer_from_within_client_entered) {
    StreamServer server(0);
    QObject::connect(&server, &StreamServer::clientEntered,
                     [&](const QString& address) { EXPECT_TRUE(server.send(address, "welcome")); });
    RawPeer peer;
    ASSERT_TRUE(peer.connectTo(server.listeningPort()));
    EXPECT_EQ(peer.read(7), QByteArray("welcome"));
}

TEST(StreamServer, send_fails_for_empty_unknown_and_departed_addresses) {
    StreamServer server(0);
    ServerEvents events(server);
    RawPeer peer;
    ASSERT_TRUE(peer.connectTo(server.listeningPort()));
    ASSERT_TRUE(waitUntil([&] { return !events.entered.isEmpty(); }));
    const QString address = events.entered[0];
    EXPECT_FALSE(server.send(QString(), "x"));
    EXPECT_FALSE(server.send(QStringLiteral("10.0.0.5:50123"), "x"));
    EXPECT_TRUE(server.send(address, QByteArray()));
    EXPECT_TRUE(server.send(address, "x"));
    peer.close();
    ASSERT_TRUE(waitUntil([&] { return events.left.size() == 1; }));
    EXPECT_EQ(events.left[0], address);
    EXPECT_TRUE(server.clientAddresses().isEmpty());
    EXPECT_FALSE(server.send(address, "x"));
    EXPECT_FALSE(server.send(address, QByteArray())) << "an unknown address fails first";
}

TEST(StreamServer, one_event_carries_every_waiting_byte_in_order) {
    StreamServer server(0);
    ServerEvents events(server);
    RawPeer peer;
    ASSERT_TRUE(peer.connectTo(server.listeningPort()));
    ASSERT_TRUE(waitUntil([&] { return !events.entered.isEmpty(); }));
    // Written before the event loop runs again: the three writes are waiting together.
    peer.write("^&*");
    peer.write("^&*^&*");
    peer.write("abc");
    usleep(20000);
    ASSERT_TRUE(waitUntil([&] { return events.allBytes().size() == 12; }));
    EXPECT_EQ(events.allBytes(), QByteArray("^&*^&*^&*abc"));
    EXPECT_EQ(events.data.size(), 1u);
    EXPECT_EQ(events.data[0].second, events.entered[0]);
}

TEST(StreamServer, bytes_arriving_while_a_handler_runs_events_still_arrive) {
    StreamServer server(0);
    RawPeer peer;
    QByteArray seen;
    int events = 0;
    QObject::connect(&server, &StreamServer::dataArrived, [&](const QByteArray& b, const QString&) {
        ++events;
        seen += b;
        if (events == 1) {
            peer.write("second");
            testutil::spin(100);  // the handler lets pending events run
        }
    });
    ASSERT_TRUE(peer.connectTo(server.listeningPort()));
    peer.write("first");
    EXPECT_TRUE(waitUntil([&] { return seen == "firstsecond"; }, 3000)) << seen.toStdString();
}

TEST(StreamClient, connect_rules) {
    StreamClient client;
    EXPECT_FALSE(client.connectTo(QString(), 80)) << "an empty host fails at once";
    EXPECT_FALSE(client.isConnected());
    EXPECT_FALSE(client.connectTo(QStringLiteral("127.0.0.1"), freePort()));

    RawPeer server;
    const quint16 port = server.listen();
    ASSERT_NE(port, 0);
    EXPECT_TRUE(client.connectTo(QStringLiteral("127.0.0.1"), port));
    EXPECT_TRUE(server.accept());
    EXPECT_TRUE(client.isConnected());
    // Only the low 16 bits of the port are used; a host name is looked up.
    EXPECT_TRUE(client.connectTo(QStringLiteral("localhost"), port + 65536));
    EXPECT_TRUE(server.accept());
    EXPECT_TRUE(client.send("hi"));
    EXPECT_EQ(server.read(2), QByteArray("hi"));
}

TEST(StreamClient, disconnect_is_silent_and_connection_lost_is_reported) {
    RawPeer server;
    const quint16 port = server.listen();
    StreamClient client;
    int lost = 0;
    QByteArray got;
    QObject::connect(&client, &StreamClient::connectionLost, [&] { ++lost; });
    QObject::connect(&client, &StreamClient::dataArrived, [&](const QByteArray& b) { got += b; });

    client.disconnectFromServer();  // nothing to close: nothing happens
    EXPECT_FALSE(client.send("x"));

    ASSERT_TRUE(client.connectTo(QStringLiteral("127.0.0.1"), port));
    ASSERT_TRUE(server.accept());
    client.disconnectFromServer();
    EXPECT_TRUE(server.waitClosed());
    testutil::spin(50);
    EXPECT_EQ(lost, 0);
    EXPECT_FALSE(client.send("x"));

    ASSERT_TRUE(client.connectTo(QStringLiteral("127.0.0.1"), port));
    ASSERT_TRUE(server.accept());
    server.write("last words");
    server.close();
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_EQ(got, QByteArray("last words"));
    EXPECT_FALSE(client.send("x"));
}

}  // namespace
