// Connecting Corvane to a sender by the address and port boxes, and dropping the connection.
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

#include "rawpeer.h"
#include "receiver/mainwindow.h"
#include "scriptedprompts.h"
#include "streamclient.h"
#include "testutil.h"
#include "windowtest.h"

using Message = ScriptedPrompts::Message;

namespace {

const Message kConnected{"连接发送服务端成功!", "连接成功"};
const Message kFailed{"连接发送服务端失败，请检查!", "连接失败"};

QString fullWidth(const QString& digits) {
    QString out;
    for (const QChar c : digits) {
        out.append(QChar(c.unicode() - u'0' + 0xFF10));
    }
    return out;
}

// Whether something on this machine answers on 127.0.0.1:port.
bool answers(quint16 port) {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    return probe.waitForConnected(2000);
}

}  // namespace

class ConnectionControlTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<corvane::MainWindow> window;

    void connectWith(const QString& host, const QString& port) {
        window->编辑框IP->setText(host);
        window->编辑框端口->setText(port);
        windowtest::click(window->按钮连接);
    }

private slots:
    void init() {
        prompts = std::make_unique<ScriptedPrompts>();
        window = std::make_unique<corvane::MainWindow>(*prompts);
        QVERIFY(windowtest::showAndActivate(window.get()));
    }
    void cleanup() {
        window.reset();
        prompts.reset();
    }

    // The port box is read as an integer: full-width digits count, whatever follows the digits
    // is ignored, no digits give port 1, and only the low 16 bits are used.
    void the_port_text_chooses_the_port_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("text");  // "%1" stands for the listening test peer's port
        QTest::addColumn<int>("target");    // the port the attempt must reach; 0: the test peer
        QTest::newRow("digits") << "127.0.0.1"
                                << "%1" << 0;
        QTest::newRow("full-width digits") << "127.0.0.1"
                                           << "%F" << 0;
        QTest::newRow("space before, letter after") << "127.0.0.1"
                                                    << " %1x" << 0;
        QTest::newRow("beyond 16 bits") << "127.0.0.1"
                                        << "%+" << 0;
        QTest::newRow("a host name") << "localhost"
                                     << "%1" << 0;
        QTest::newRow("empty") << "127.0.0.1"
                               << "" << 1;
        QTest::newRow("letters") << "127.0.0.1"
                                 << "abc" << 1;
        QTest::newRow("negative") << "127.0.0.1"
                                  << "-5" << 1;
        QTest::newRow("space, 80 and a letter") << "127.0.0.1"
                                                << " 80x" << 80;
    }
    void the_port_text_chooses_the_port() {
        QFETCH(QString, host);
        QFETCH(QString, text);
        QFETCH(int, target);
        RawPeer peer;
        const quint16 peerPort = peer.listen();
        QVERIFY(peerPort != 0);
        text.replace("%1", QString::number(peerPort));
        text.replace("%F", fullWidth(QString::number(peerPort)));
        text.replace("%+", QString::number(peerPort + 65536));

        // A fixed port gets a listener of its own when it is free; when it is not, the attempt
        // must fare as a plain connection to it does.
        QTcpServer fixed;
        bool expectConnected = true;
        if (target != 0 && !fixed.listen(QHostAddress::LocalHost, static_cast<quint16>(target))) {
            expectConnected = answers(static_cast<quint16>(target));
        }
        bool enabledWhileBoxOpen = false;
        prompts->whileOpen = [&] { enabledWhileBoxOpen = window->按钮连接->isEnabled(); };
        connectWith(host, text);

        QCOMPARE(prompts->messages, (std::vector<Message>{expectConnected ? kConnected : kFailed}));
        QVERIFY(enabledWhileBoxOpen);
        QCOMPARE(window->按钮连接->isEnabled(), !expectConnected);
        QCOMPARE(window->客户1->isConnected(), expectConnected);
        if (target == 0) {
            QVERIFY(peer.accept(2000));
        } else if (fixed.isListening()) {
            QVERIFY(fixed.hasPendingConnections() || fixed.waitForNewConnection(2000));
        }
    }

    void an_empty_host_fails() {
        RawPeer peer;
        connectWith("", QString::number(peer.listen()));
        QCOMPARE(prompts->messages, (std::vector<Message>{kFailed}));
        QVERIFY(window->按钮连接->isEnabled());
    }

    // A failed connect leaves Connect enabled, and the next click uses the boxes as they are then.
    void a_failed_connect_can_be_tried_again() {
        quint16 closedPort = 0;
        {
            RawPeer gone;
            closedPort = gone.listen();
        }
        connectWith("127.0.0.1", QString::number(closedPort));
        QCOMPARE(prompts->messages, (std::vector<Message>{kFailed}));
        QVERIFY(window->按钮连接->isEnabled());

        RawPeer peer;
        window->编辑框端口->setText(QString::number(peer.listen()));
        windowtest::click(window->按钮连接);
        QCOMPARE(prompts->messages, (std::vector<Message>{kFailed, kConnected}));
        QVERIFY(peer.accept(2000));
        QVERIFY(!window->按钮连接->isEnabled());
        // Disabled, the button takes no more clicks.
        windowtest::click(window->按钮连接);
        QCOMPARE(prompts->messages.size(), size_t{2});
    }

    void disconnect_closes_the_connection_and_nothing_else() {
        RawPeer peer;
        connectWith("127.0.0.1", QString::number(peer.listen()));
        QVERIFY(peer.accept(2000));
        windowtest::click(window->按钮断开);
        QVERIFY(peer.waitClosed(2000));
        QVERIFY(!window->客户1->isConnected());
        QVERIFY(!window->按钮连接->isEnabled());
        QVERIFY(window->按钮断开->isEnabled());
        QCOMPARE(prompts->messages, (std::vector<Message>{kConnected}));
    }

    void disconnect_before_any_connection_does_nothing() {
        window->编辑框IP->setText("127.0.0.1");
        window->编辑框端口->setText("19730");
        windowtest::click(window->按钮断开);
        windowtest::click(window->按钮断开);
        QVERIFY(prompts->messages.empty());
        QVERIFY(window->按钮连接->isEnabled());
        QVERIFY(window->按钮断开->isEnabled());
        QCOMPARE(window->编辑框IP->text(), "127.0.0.1");
        QCOMPARE(window->编辑框端口->text(), "19730");
        QVERIFY(!window->客户1->isConnected());
    }
};

VC_WINDOW_TEST_MAIN(ConnectionControlTest)
#include "connection_control_test.moc"
