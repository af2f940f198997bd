#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "bytebuffer.h"
#include "framing.h"
#include "outputfile.h"

class QDir;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class Prompts;
class StreamClient;

// The controls of the receiver's main window that the engine and its watcher read and write.
struct ReceiverControls {
    QLineEdit* 编辑框文件大小;  // announced length; the limit is read back from its text
    QLineEdit* 编辑框文件名;    // the name as the sender sent it
    QProgressBar* 进度条1;      // percentage received
    QPushButton* 按钮连接;      // Connect: disabled at each completion
    QTimer* 时钟1;              // the completion watcher's 100 ms tick
};

// The program's one state record.
struct ReceiverState {
    std::unique_ptr<OutputFile> outputFile;  // the file being received, or none
    std::int32_t announcedLength = 0;        // file length of the latest header
    ByteBuffer markerBytes;                  // "^&*", made when the window is created
    ByteBuffer lastData;                     // bytes received and not yet handled
    // File bytes accepted in this transfer. 64-bit: with the size box raised by hand, a peer may
    // be allowed more than a 32-bit count holds.
    std::int64_t receivedCount = 0;
    wire::ReceiverExpectation expect;  // what the sender is due to send
};

// The receiving half of a transfer and its completion watcher.
//
// The engine assembles whole messages from the stream, asks where to save each announced file,
// writes each accepted chunk to a temporary file beside the target and acknowledges it. The
// watcher, on each tick of 时钟1, shows the progress and, once the file holds as many bytes as
// the size box asks for, sends the DoneMessage and puts the file in the target's place.
//
// Bytes that arrive while a notification is being handled (while pending events run, or while
// a dialog or message box is open) are kept and handled afterwards, in order, each exactly once.
class ReceiverEngine : public QObject {
    Q_OBJECT
public:
    ReceiverEngine(const ReceiverControls& controls, StreamClient& client, Prompts& prompts,
                   QObject* parent = nullptr);
    ~ReceiverEngine() override;

    const ReceiverState& state() const { return state_; }

    // The name a file may be saved under, made from the name a peer sent: the last piece after
    // any "/" or "\", control characters turned into "_", and "未命名文件" for an empty name,
    // "." or "..". The result never leaves the folder it is put in.
    static QString safeFileName(const QString& sentName);
    // The path of `name` in `folder`, or of the first of "name (1).ext", "name (2).ext", ...
    // that does not exist there yet.
    static QString freePathIn(const QDir& folder, const QString& name);

    void onWindowCreated();
    void onDataArrived(const ByteBuffer& bytes);
    void onWatchTick();
    void onConnectionLost();
    void onProgramExit();

private:
    void handleBuffered();
    void onHeader(ByteView message);
    void onChunk(ByteView message);
    void expectRest(wire::ReceiverExpectation::Phase phase);
    double sizeLimit() const;
    std::int64_t writtenPosition() const;
    bool readyToComplete() const;
    void complete();
    void failWrite();
    void closeOutput();
    void finishLoss();
    void showMessage(const QString& text, const QString& title);

    ReceiverControls controls_;
    StreamClient& client_;
    Prompts& prompts_;
    ReceiverState state_;
    bool busy_ = false;                // a notification is being handled, or a prompt is open
    bool lost_ = false;                // the connection went while busy; handled afterwards
    bool senderCouldNotRead_ = false;  // the latest header announced a negative length
    bool ended_ = false;               // the program is ending: no handler acts any more
    mutable QString sizeText_;         // the size box's text last read, and its number
    mutable double sizeValue_ = 0;
    mutable bool sizeKnown_ = false;
};
