#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "bytebuffer.h"
#include "framing.h"
#include "outputfile.h"

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
    std::int32_t receivedCount = 0;          // file bytes accepted in this transfer
    wire::ReceiverExpectation expect;        // what the sender is due to send
};

// The receiving half of a transfer and its completion watcher.
class ReceiverEngine : public QObject {
    Q_OBJECT
public:
    ReceiverEngine(const ReceiverControls& controls, StreamClient& client, Prompts& prompts,
                   QObject* parent = nullptr);
    ~ReceiverEngine() override;

    const ReceiverState& state() const { return state_; }

    void onWindowCreated();
    void onDataArrived(const ByteBuffer& bytes);
    void onWatchTick();
    void onConnectionLost();
    void onProgramExit();

private:
    ReceiverControls controls_;
    StreamClient& client_;
    Prompts& prompts_;
    ReceiverState state_;
};
