#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "bytebuffer.h"
#include "framing.h"
#include "sourcefile.h"

class QLineEdit;
class QProgressBar;
class QPushButton;
class Prompts;
class StreamServer;

// The controls of the sender's main window that the engine reads and writes.
struct SenderControls {
    QLineEdit* 编辑框路径;  // path of the file to send
    QLineEdit* 编辑框客户;  // ClientAddress of the receiver that entered last
    QLineEdit* 编辑框大小;  // the file's length in bytes
    QProgressBar* 进度条1;  // percentage sent
    QPushButton* 按钮发送;  // Send
};

// The program's one state record.
struct SenderState {
    QString clientAddress;           // the peer that entered last; every message goes to it
    SourceFile sourceFile;           // the file being sent
    std::int32_t fileLength = 0;     // its length at Send: the divisor of the progress
    ByteBuffer markerBytes;          // "^&*", made when the window is created
    ByteBuffer incoming;             // acknowledgement bytes not yet understood
    wire::SenderExpectation expect;  // what the receiver is due to send
    ByteBuffer outgoing;             // the ChunkMessage being sent, reused for every chunk
};

// The sending half of a transfer: it remembers the receiver that connected last, sends the chosen
// file as one HeaderMessage with the first chunk and then one ChunkMessage per AckMessage, closes
// the file when an acknowledgement finds it at its end, and ends the transfer on the DoneMessage.
class SenderEngine : public QObject {
    Q_OBJECT
public:
    SenderEngine(const SenderControls& controls, StreamServer& server, Prompts& prompts,
                 QObject* parent = nullptr);
    ~SenderEngine() override;

    const SenderState& state() const { return state_; }

    // The name sent for a path: the part after its last "/" (a path that ends in "/" gives its
    // last folder's name, "/" alone the empty name).
    static QString nameFromPath(const QString& path);

    void onWindowCreated();
    void onClientEntered(const QString& address);
    void onBrowseClicked();
    void onSendClicked();
    void onDataArrived(const ByteBuffer& bytes, const QString& address);
    void onClientLeft(const QString& address);
    void onProgramExit();

private:
    void onAck();
    void onDone();
    void showProgress();
    void sendNextChunk();
    void abandonTransfer();
    bool transferUnderWay() const;

    SenderControls controls_;
    StreamServer& server_;
    Prompts& prompts_;
    SenderState state_;
    QString lastBrowsed_;
};
