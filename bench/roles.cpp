#include "roles.h"

#include <sys/resource.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

#include "desktoplook.h"
#include "eventloop.h"
#include "prompts.h"
#include "receiverengine.h"
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

// A shown window holding the controls, so that the bars and boxes paint as they do for a user.
struct Window {
    QWidget widget;
    template <typename T>
    T* add(int x, int y, int w, int h) {
        auto* control = new T(&widget);
        control->setGeometry(x, y, w, h);
        return control;
    }
};

}  // namespace

int runSenderRole(int argc, char** argv, const QString& file) {
    eventloop::preferQtDispatcher();
    QApplication app(argc, argv);
    desktoplook::apply(app);
    Window window;
    auto* path = window.add<QLineEdit>(72, 16, 248, 20);
    auto* client = window.add<QLineEdit>(72, 48, 136, 20);
    auto* size = window.add<QLineEdit>(271, 48, 94, 20);
    auto* bar = window.add<QProgressBar>(9, 79, 465, 24);
    auto* send = window.add<QPushButton>(398, 13, 76, 24);
    bar->setRange(0, 100);
    window.widget.resize(484, 108);
    window.widget.show();

    BenchPrompts prompts;
    StreamServer server(0);
    SenderEngine engine({path, client, size, bar, send}, server, prompts);
    QObject::connect(&server, &StreamServer::clientEntered, &engine,
                     &SenderEngine::onClientEntered);
    QObject::connect(&server, &StreamServer::dataArrived, &engine, &SenderEngine::onDataArrived);
    engine.onWindowCreated();

    QElapsedTimer clock;
    qint64 finishedNs = -1;
    qint64 doneNs = -1;
    int status = 0;
    QObject::connect(&server, &StreamServer::clientEntered, [&] {
        QTimer::singleShot(0, [&] {
            path->setText(file);
            clock.start();
            engine.onSendClicked();
        });
    });
    // Connected after the engine: it sees each acknowledgement once the engine has acted on it.
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
    Window window;
    auto* size = window.add<QLineEdit>(346, 40, 96, 20);
    auto* name = window.add<QLineEdit>(63, 40, 219, 20);
    auto* bar = window.add<QProgressBar>(10, 73, 465, 24);
    auto* connectButton = window.add<QPushButton>(324, 8, 76, 24);
    bar->setRange(0, 100);
    QTimer timer;
    window.widget.resize(484, 102);
    window.widget.show();

    BenchPrompts prompts;
    prompts.savePath = savePath;
    StreamClient client;
    ReceiverEngine engine({size, name, bar, connectButton, &timer}, client, prompts);
    QObject::connect(&client, &StreamClient::dataArrived, &engine, &ReceiverEngine::onDataArrived);
    QObject::connect(&client, &StreamClient::connectionLost, &engine,
                     &ReceiverEngine::onConnectionLost);
    QObject::connect(&timer, &QTimer::timeout, &engine, &ReceiverEngine::onWatchTick);
    engine.onWindowCreated();

    int status = 0;
    prompts.onMessage = [&](const QString& text) {
        if (text != QStringLiteral("文件接收完成!")) {
            std::fprintf(stderr, "receiver: %s\n", qPrintable(text));
            status = 1;
        }
        app.quit();
    };
    if (!client.connectTo(QStringLiteral("127.0.0.1"), port)) {
        std::fprintf(stderr, "receiver: cannot connect to port %d\n", port);
        return 1;
    }
    app.exec();
    engine.onProgramExit();
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
