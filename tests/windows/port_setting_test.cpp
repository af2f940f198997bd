// Moving Vesprad's listening port through PortWindow: the checks and messages of the Set button
// and of Enter, the port in force afterwards, and PortWindow as a fresh, modal window.
#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "messages.h"
#include "rawpeer.h"
#include "scriptedprompts.h"
#include "sender/mainwindow.h"
#include "sender/portwindow.h"
#include "streamserver.h"
#include "testutil.h"
#include "windowtest.h"

using Message = ScriptedPrompts::Message;
using testutil::waitUntil;

namespace {

const QString kEmpty = "请设置通讯端口，如不设置，系统将使用默认端口 19730 。";
const QString kRange = "通讯端口范围0-65535之间，本程序可不设置，系统将使用默认端口 19730 。";

// Whether this program may listen on `port` on every interface at the moment.
bool canListen(quint16 port) {
    QTcpServer probe;
    return probe.listen(QHostAddress::AnyIPv4, port);
}

// A port that nothing listens on at the moment.
quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

class PortSettingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<vesprad::MainWindow> window;

    // Presses 设置端口 and runs `body` with the PortWindow that it opens.
    bool withPortWindow(const std::function<void(vesprad::PortWindow*)>& body) {
        return windowtest::whileModal(window->按钮设置端口, [&](QWidget* modal) {
            auto* portWindow = qobject_cast<vesprad::PortWindow*>(modal);
            QVERIFY(portWindow);
            QVERIFY(QTest::qWaitForWindowActive(portWindow));
            body(portWindow);
        });
    }

private slots:
    void init() {
        prompts = std::make_unique<ScriptedPrompts>();
        window = std::make_unique<vesprad::MainWindow>(*prompts, 0);
        QVERIFY(windowtest::showAndActivate(window.get()));
    }
    void cleanup() {
        window.reset();
        prompts.reset();
    }

    void port_texts_are_checked_data() {
        QTest::addColumn<QString>("text");  // pasted, as typing would drop most of these
        QTest::addColumn<bool>("enter");    // Enter in the box instead of the Set button
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("port");  // the port in force afterwards; 0: unchanged
        const QString ok = "设置成功";
        const auto success = [](const QString& typed) {
            return "设置端口成功，端口" + typed + "。";
        };
        QTest::newRow("empty") << "" << false << kEmpty << "设置端口" << 0;
        QTest::newRow("empty, Enter") << "" << true << kEmpty << "设置端口" << 0;
        QTest::newRow("spaces") << "   " << false << kEmpty << "设置端口" << 0;
        QTest::newRow("ideographic spaces") << "　 　" << false << kEmpty << "设置端口" << 0;
        QTest::newRow("a tab is not a space") << "\t" << false << kRange << "端口范围" << 0;
        QTest::newRow("0") << "0" << false << kRange << "端口范围" << 0;
        QTest::newRow("65535") << "65535" << false << kRange << "端口范围" << 0;
        QTest::newRow("65535, Enter") << "65535" << true << kRange << "端口范围" << 0;
        QTest::newRow("-5") << "-5" << false << kRange << "端口范围" << 0;
        QTest::newRow("a lone minus") << "-" << false << kRange << "端口范围" << 0;
        QTest::newRow("letters") << "abc" << false << kRange << "端口范围" << 0;
        QTest::newRow("1") << "1" << false << success("1") << ok << 1;
        QTest::newRow("65534") << "65534" << false << success("65534") << ok << 65534;
        QTest::newRow("65534, Enter") << "65534" << true << success("65534") << ok << 65534;
        QTest::newRow("minus after digits") << "80-" << false << success("80-") << ok << 80;
        QTest::newRow("letters after digits")
            << "8080abc" << false << success("8080abc") << ok << 8080;
        QTest::newRow("space before") << " 8080" << false << success(" 8080") << ok << 8080;
        QTest::newRow("spaces around, Enter")
            << "  8080  " << true << success("  8080  ") << ok << 8080;
        QTest::newRow("full-width digits")
            << "８０８０" << false << success("８０８０") << ok << 8080;
        QTest::newRow("fraction is cut off")
            << "8080.9" << false << success("8080.9") << ok << 8080;
        // Passes the range test, truncates to 0, which the server takes as 1.
        QTest::newRow("a half") << "0.5" << false << success("0.5") << ok << 1;
    }
    void port_texts_are_checked() {
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(int, port);
        const int before = window->服务器1->port();
        if (port != 0 && !canListen(static_cast<quint16>(port))) {
            // Taken on this machine, or privileged for this user: refused, the old port kept.
            message = "设置端口失败，端口" + text + "已被占用或无权使用，请另选端口。";
            title = "设置端口";
            port = 0;
        }
        const bool accepted = port != 0;
        bool stayedOpen = false;
        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            windowtest::paste(portWindow->编辑框port, text);
            if (enter) {
                windowtest::key(portWindow, Qt::Key_Return);
            } else {
                windowtest::click(portWindow->按钮设置);
            }
            stayedOpen = portWindow->isVisible();
            // After a refusal the user corrects the text where it is.
            if (stayedOpen) {
                QCOMPARE(portWindow->focusWidget(), portWindow->编辑框port);
                QCOMPARE(portWindow->编辑框port->text(), text);
            }
        }));
        QCOMPARE(prompts->messages, (std::vector<Message>{{message, title}}));
        QCOMPARE(stayedOpen, !accepted);
        QCOMPARE(window->服务器1->port(), accepted ? port : before);
    }

    // The port set is the one the server listens on, and the old one is closed.
    void the_set_port_is_listened_on() {
        const quint16 old = window->服务器1->listeningPort();
        const quint16 port = freePort();
        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            QTest::keyClicks(portWindow->编辑框port, QString::number(port));
            windowtest::key(portWindow, Qt::Key_Enter, Qt::KeypadModifier);
        }));
        QCOMPARE(prompts->messages.size(), size_t{1});
        QCOMPARE(window->服务器1->listeningPort(), port);
        RawPeer stale;
        QVERIFY(!stale.connectTo(old));
        RawPeer receiver;
        QVERIFY(receiver.connectTo(port));
        QVERIFY(waitUntil([&] { return !window->编辑框客户->text().isEmpty(); }));
    }

    // A port that cannot be listened on is refused, and the program goes on listening where it
    // did.
    void a_port_in_use_is_refused_and_the_old_port_kept() {
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::AnyIPv4, 0));
        const QString taken = QString::number(squatter.serverPort());
        const quint16 old = window->服务器1->listeningPort();
        bool stayedOpen = false;
        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            QTest::keyClicks(portWindow->编辑框port, taken);
            windowtest::click(portWindow->按钮设置);
            stayedOpen = portWindow->isVisible();
            QCOMPARE(portWindow->focusWidget(), portWindow->编辑框port);
            windowtest::key(portWindow, Qt::Key_Escape);
        }));
        QVERIFY(stayedOpen);
        QCOMPARE(
            prompts->messages,
            (std::vector<Message>{
                {"设置端口失败，端口" + taken + "已被占用或无权使用，请另选端口。", "设置端口"}}));
        QCOMPARE(window->服务器1->listeningPort(), old);
        RawPeer receiver;
        QVERIFY(receiver.connectTo(old));
    }

    void port_window_is_new_each_time() {
        const quint16 port = freePort();
        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            QCOMPARE(portWindow->focusWidget(), portWindow->编辑框port);
            QTest::keyClicks(portWindow->编辑框port, QString::number(port));
            windowtest::click(portWindow->按钮设置);
            QVERIFY(!portWindow->isVisible());
        }));
        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            QVERIFY(portWindow->编辑框port->text().isEmpty());
            QCOMPARE(portWindow->focusWidget(), portWindow->编辑框port);
        }));
        QCOMPARE(window->服务器1->port(), port);
    }

    // Esc or the close box close PortWindow and apply nothing, whatever the box holds.
    void closing_port_window_applies_nothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("esc");
        QTest::newRow("Esc, empty") << "" << true;
        QTest::newRow("Esc, with a port") << "4321" << true;
        QTest::newRow("close box, with a port") << "4321" << false;
    }
    void closing_port_window_applies_nothing() {
        QFETCH(QString, text);
        QFETCH(bool, esc);
        const int before = window->服务器1->port();
        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            QTest::keyClicks(portWindow->编辑框port, text);
            if (esc) {
                windowtest::key(portWindow, Qt::Key_Escape);
            } else {
                portWindow->close();
            }
            QVERIFY(!portWindow->isVisible());
        }));
        QVERIFY(prompts->messages.empty());
        QCOMPARE(window->服务器1->port(), before);
        QVERIFY(window->isVisible());
    }

    // While PortWindow is open the main window takes no clicks, but the server's notifications
    // go on: an acknowledgement still moves the transfer and its progress bar.
    void port_window_is_modal_while_a_transfer_goes_on() {
        QTemporaryDir dir;
        const QString path = dir.filePath("five.bin");
        const QByteArray data = testutil::randomBytes(5000);
        testutil::writeFile(path, data);
        RawPeer receiver;
        QVERIFY(receiver.connectTo(window->服务器1->listeningPort()));
        QVERIFY(waitUntil([&] { return !window->编辑框客户->text().isEmpty(); }));
        QTest::keyClicks(window->编辑框路径, path);
        windowtest::click(window->按钮发送);
        const QByteArray header = wire::buildHeader(5000, "five.bin", data.first(1000));
        QCOMPARE(receiver.read(header.size()), header);
        QCOMPARE(window->进度条1->value(), 20);

        QVERIFY(withPortWindow([&](vesprad::PortWindow* portWindow) {
            windowtest::click(window->按钮浏览);
            windowtest::click(window->按钮设置端口);
            QVERIFY(prompts->openCurrents.isEmpty());
            QCOMPARE(QApplication::activeModalWidget(), portWindow);
            QVERIFY(receiver.write("^&*"));
            QVERIFY(waitUntil([&] { return window->进度条1->value() == 40; }));
            QCOMPARE(receiver.read(1003), wire::buildChunk(data.mid(1000, 1000)));
            QVERIFY(!window->按钮发送->isEnabled());
            QVERIFY(portWindow->isVisible());
        }));
        QVERIFY(prompts->messages.empty());
        // Clicks reach the main window again once PortWindow has closed.
        windowtest::click(window->按钮浏览);
        QCOMPARE(prompts->openCurrents.size(), 1);
    }
};

VC_WINDOW_TEST_MAIN(PortSettingTest)
#include "port_setting_test.moc"
