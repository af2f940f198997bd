#include "roles.h"

#include <sys/resource.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "desktoplook.h"
#include "eventloop.h"
#include "prompts.h"
#include "receiver/mainwindow.h"
#include "receiverengine.h"
#include "sender/mainwindow.h"
#include "senderengine.h"
#include "streamclient.h"
#include "streamserver.h"

namespace {

// Prompts that a script answers: the save dialog confirms a fixed path, and each message box
// is handed to the role, which decides whether the run is over.
class BenchPrompts final : public Prompts {
public:
    QString savePath;
    std::function<void(const QString&)> onMessage;

    std::optional<QString> chooseFileToOpen(const QString&) override { return std::nullopt; }
    std::optional<QString> chooseFileToSave(const QString&) override { return savePath; }
    void showMessage(const QString& text, const QString&) override { onMessage(text); }
};

long peakRssKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int runSenderRole(int argc, char** argv, const QString& file) {
    eventloop::preferQtDispatcher();
    QApplication app(argc, argv);
    desktoplook::apply(app);
    BenchPrompts prompts;
    // The real window, shown on the offscreen platform, so that it paints as it does for a user.
    vesprad::MainWindow window(prompts, 0);
    window.show();
    StreamServer& server = *window.服务器1;
    const SenderEngine& engine = window.engine();

    QElapsedTimer clock;
    qint64 finishedNs = -1;
    qint64 doneNs = -1;
    int status = 0;
    QObject::connect(&server, &StreamServer::clientEntered, [&] {
        QTimer::singleShot(0, [&] {
            window.编辑框路径->setText(file);
            clock.start();
            window.按钮发送->click();
        });
    });
    // Connected after the window's own: it sees each acknowledgement once the engine has acted.
    QObject::connect(&server, &StreamServer::dataArrived, [&] {
        if (finishedNs < 0 && clock.isValid() && !engine.state().sourceFile.isOpen()) {
            finishedNs = clock.nsecsElapsed();
        }
    });
    prompts.onMessage = [&](const QString& text) {
        doneNs = clock.nsecsElapsed();
        if (text != QStringLiteral("文件发送完成!")) {
            std::fprintf(stderr, "sender: %s\n", qPrintable(text));
            status = 1;
        }
        app.quit();
    };
    std::printf("port %u\n", server.listeningPort());
    std::fflush(stdout);
    app.exec();
    if (finishedNs < 0) {
        finishedNs = doneNs;
    }
    std::printf("result seconds=%.6f wait_ms=%.3f rss_kb=%ld\n", finishedNs / 1e9,
                (doneNs - finishedNs) / 1e6, peakRssKb());
    return status;
}

int runReceiverRole(int argc, char** argv, int port, const QString& savePath) {
    eventloop::preferQtDispatcher();
    QApplication app(argc, argv);
    desktoplook::apply(app);
    BenchPrompts prompts;
    prompts.savePath = savePath;
    corvane::MainWindow window(prompts);
    window.show();

    int status = 0;
    bool connected = false;
    prompts.onMessage = [&](const QString& text) {
        if (text == QStringLiteral("连接发送服务端成功!")) {
            connected = true;
            return;
        }
        if (text != QStringLiteral("文件接收完成!")) {
            std::fprintf(stderr, "receiver: %s\n", qPrintable(text));
            status = 1;
        }
        app.quit();
    };
    // Connected as its user connects it: address and port typed, then 连接.
    window.编辑框IP->setText(QStringLiteral("127.0.0.1"));
    window.编辑框端口->setText(QString::number(port));
    window.按钮连接->click();
    if (!connected) {
        std::fprintf(stderr, "receiver: cannot connect to port %d\n", port);
        return 1;
    }
    app.exec();
    window.close();
    std::printf("result rss_kb=%ld\n", peakRssKb());
    return status;
}

int runLoopSenderRole(int argc, char** argv, qint64 rounds) {
    eventloop::preferQtDispatcher();
    QCoreApplication app(argc, argv);
    StreamServer server(0);
    const ByteBuffer message(1003, 'x');
    qint64 sent = 0;
    QString peer;
    QElapsedTimer clock;
    QObject::connect(&server, &StreamServer::clientEntered, [&](const QString& address) {
        peer = address;
        clock.start();
        server.send(peer, message);
        sent = 1;
    });
    QObject::connect(&server, &StreamServer::dataArrived, [&] {
        if (sent >= rounds) {
            app.quit();
            return;
        }
        server.send(peer, message);
        ++sent;
    });
    std::printf("port %u\n", server.listeningPort());
    std::fflush(stdout);
    app.exec();
    std::printf("result seconds=%.6f\n", clock.nsecsElapsed() / 1e9);
    return 0;
}

int runLoopReceiverRole(int argc, char** argv, int port) {
    eventloop::preferQtDispatcher();
    QCoreApplication app(argc, argv);
    StreamClient client;
    qsizetype waiting = 0;
    const ByteBuffer reply("^&*");
    QObject::connect(&client, &StreamClient::dataArrived, [&](const ByteBuffer& bytes) {
        waiting += bytes.size();
        for (; waiting >= 1003; waiting -= 1003) {
            client.send(reply);
        }
    });
    QObject::connect(&client, &StreamClient::connectionLost, &app, &QCoreApplication::quit);
    if (!client.connectTo(QStringLiteral("127.0.0.1"), port)) {
        return 1;
    }
    app.exec();
    return 0;
}
