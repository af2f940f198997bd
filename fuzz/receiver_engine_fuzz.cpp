// Arbitrary notification sequences into the receiver's engine, with watcher ticks, edits of the
// size box and lost connections between them. Nothing may crash or read out of bounds, the
// bytes held stay bounded, and every file written lands in the folder the engine was given.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdint>
#include <cstdlib>

#include "framing.h"
#include "messages.h"
#include "prompts.h"
#include "receiverengine.h"
#include "streamclient.h"

namespace {

// The save dialog either confirms a fixed file in the work folder or is cancelled, by turns.
class FuzzPrompts final : public Prompts {
public:
    QString target;
    bool confirm = false;
    std::optional<QString> chooseFileToOpen(const QString&) override { return std::nullopt; }
    std::optional<QString> chooseFileToSave(const QString&) override {
        confirm = !confirm;
        if (confirm) {
            return target;
        }
        return std::nullopt;
    }
    void showMessage(const QString&, const QString&) override {}
};

struct Harness {
    QTemporaryDir work;
    QLineEdit size, name;
    QProgressBar bar;
    QPushButton connectButton;
    QTimer timer;
    FuzzPrompts prompts;
    StreamClient client;  // never connected: every send fails quietly
    ReceiverEngine engine{{&size, &name, &bar, &connectButton, &timer}, client, prompts};

    Harness() {
        bar.setRange(0, 100);
        prompts.target = work.filePath("chosen.bin");
        QDir::setCurrent(work.path());
        engine.onWindowCreated();
    }
};

Harness* harness = nullptr;

const QByteArray kPrefixes[4] = {
    wire::buildHeader(2500, "a.txt", QByteArray(1000, 'a')),
    wire::buildHeader(3, "../x", "abc"),
    wire::buildChunk(QByteArray(1000, 'c')),
    wire::buildHeader(-1, "neg", {}),
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    harness = new Harness;
    std::atexit([] { delete harness; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = *harness;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t control = data[at++];
        switch (control >> 5) {
            case 0:
                h.engine.onWatchTick();
                break;
            case 1:
                h.size.setText(QString::number(static_cast<int>(control & 0x1F) * 100));
                break;
            case 2:
                h.engine.onConnectionLost();
                break;
            case 3:
                h.engine.onDataArrived(kPrefixes[control & 3]);
                break;
            default: {
                const std::size_t piece = std::min<std::size_t>(control & 0x3F, size - at);
                h.engine.onDataArrived(QByteArray(reinterpret_cast<const char*>(data + at),
                                                  static_cast<qsizetype>(piece)));
                at += piece;
            }
        }
        if (h.engine.state().lastData.size() >
            wire::kHeaderFixedSize + wire::kMaxNameLength + 2 * wire::kMaxChunkMessageSize + 64) {
            std::abort();
        }
    }
    // Whatever was written stays inside the work folder.
    for (const QString& entry :
         QDir(h.work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        if (QFileInfo(h.work.filePath(entry)).isDir()) {
            std::abort();  // the engine never makes folders
        }
        QFile::remove(h.work.filePath(entry));
    }
    return 0;
}
