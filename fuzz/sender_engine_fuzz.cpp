// Arbitrary notifications into the sender's engine, interleaved with Send presses, over a real
// loopback connection: nothing may crash, leak or read out of bounds, and the engine never
// holds more than a DoneMessage's worth of unexplained bytes.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpSocket>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "prompts.h"
#include "senderengine.h"
#include "streamserver.h"

namespace {

class SilentPrompts final : public Prompts {
public:
    std::optional<QString> chooseFileToOpen(const QString&) override { return std::nullopt; }
    std::optional<QString> chooseFileToSave(const QString&) override { return std::nullopt; }
    void showMessage(const QString&, const QString&) override {}
};

struct Harness {
    QLineEdit path, client, size;
    QProgressBar bar;
    QPushButton send;
    SilentPrompts prompts;
    StreamServer server{0};
    SenderEngine engine{{&path, &client, &size, &bar, &send}, server, prompts};
    QTcpSocket peer;
    QString files[3];

    Harness() {
        QObject::connect(&server, &StreamServer::clientEntered, &engine,
                         &SenderEngine::onClientEntered);
        engine.onWindowCreated();
        peer.connectToHost(QHostAddress::LocalHost, server.listeningPort());
        peer.waitForConnected(5000);
        for (int i = 0; i < 100 && client.text().isEmpty(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        const int sizes[3] = {0, 700, 3500};
        for (int i = 0; i < 3; ++i) {
            files[i] =
                QDir::temp().filePath(QStringLiteral("sender-fuzz-%1-%2").arg(getpid()).arg(i));
            QFile f(files[i]);
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray(sizes[i], 'x'));
        }
    }
};

Harness* harness = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    harness = new Harness;
    // Registered after the application: runs before it goes, so the controls die first.
    std::atexit([] { delete harness; });
    // Paint every control once with every kind of text it can show, so that the toolkit's
    // lazily filled font caches are full before the first input is measured for leaks.
    for (QWidget* w : std::initializer_list<QWidget*>{
             &harness->path, &harness->client, &harness->size, &harness->bar, &harness->send}) {
        w->grab();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = *harness;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t control = data[at++];
        if ((control & 0xC0) == 0xC0) {
            h.path.setText(h.files[control % 3]);
            h.engine.onSendClicked();
            continue;
        }
        const std::size_t piece = std::min<std::size_t>(control % 12, size - at);
        h.engine.onDataArrived(
            QByteArray(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(piece)),
            h.client.text());
        at += piece;
        if (h.engine.state().incoming.size() > 6) {
            std::abort();
        }
    }
    // What the engine sent goes nowhere; keep the loopback buffers from filling.
    QCoreApplication::processEvents();
    h.peer.readAll();
    return 0;
}
