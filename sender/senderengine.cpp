#include "senderengine.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>
#include <limits>

#include "controls.h"
#include "messages.h"
#include "numbers.h"
#include "prompts.h"
#include "streamserver.h"
#include "wiretext.h"

namespace {

const QString kTitleNotice = QStringLiteral("提示");

}  // namespace

SenderEngine::SenderEngine(const SenderControls& controls, StreamServer& server, Prompts& prompts,
                           QObject* parent)
    : QObject(parent), controls_(controls), server_(server), prompts_(prompts) {}

SenderEngine::~SenderEngine() = default;

QString SenderEngine::nameFromPath(const QString& path) {
    // The pieces are the stretches before each "/" and the stretch after the last one when it
    // is not empty; the name is the last piece.
    QString name;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == u'/') {
            name = path.mid(start, i - start);
            start = i + 1;
        }
    }
    if (start < path.size()) {
        name = path.mid(start);
    }
    return name;
}

void SenderEngine::onWindowCreated() {
    state_.markerBytes = wire::marker();
}

void SenderEngine::onClientEntered(const QString& address) {
    state_.clientAddress = address;
    controls_.编辑框客户->setText(state_.clientAddress);
}

void SenderEngine::onBrowseClicked() {
    if (const std::optional<QString> chosen = prompts_.chooseFileToOpen(lastBrowsed_)) {
        lastBrowsed_ = *chosen;
        controls_.编辑框路径->setText(*chosen);
    }
}

void SenderEngine::onSendClicked() {
    if (state_.clientAddress.isEmpty()) {
        prompts_.showMessage(QStringLiteral("无接收客户，无法发送文件!"), kTitleNotice);
        return;
    }
    const QString path = controls_.编辑框路径->text();
    if (path.isEmpty()) {
        prompts_.showMessage(QStringLiteral("请选择要发送的文件!"), kTitleNotice);
        return;
    }
    SourceFile file = SourceFile::open(path);
    if (!file.isOpen()) {
        prompts_.showMessage(QStringLiteral("无法打开文件，请检查文件路径!"), kTitleNotice);
        return;
    }
    const std::int64_t length = file.length();
    if (length > std::numeric_limits<std::int32_t>::max()) {
        prompts_.showMessage(QStringLiteral("文件超过 2147483647 字节，无法发送!"), kTitleNotice);
        return;
    }
    const auto fileLength = static_cast<std::int32_t>(length);
    file.seekToStart();
    const ByteBuffer chunk = file.read(wire::firstChunkSize(fileLength));
    if (chunk.size() != wire::firstChunkSize(fileLength)) {
        prompts_.showMessage(QStringLiteral("读取文件失败，文件发送未完成!"), kTitleNotice);
        return;
    }
    // A new Send replaces the file of a transfer that is still waiting for its first
    // acknowledgement; the old file is closed, never read again.
    state_.sourceFile = std::move(file);
    state_.fileLength = fileLength;
    controls_.编辑框大小->setText(numbers::writeInteger(fileLength));
    const ByteBuffer name = wiretext::encodeName(nameFromPath(path));
    const ByteBuffer header = wire::buildHeader(fileLength, name, chunk);
    if (!server_.send(state_.clientAddress, header)) {
        abandonTransfer();
        prompts_.showMessage(QStringLiteral("接收方已断开，文件发送未完成!"), kTitleNotice);
        return;
    }
    state_.expect.outstanding += 1;
    state_.expect.awaitingDone = false;
    showProgress();
}

void SenderEngine::onDataArrived(const ByteBuffer& bytes, const QString& /*address*/) {
    // Whichever peer acknowledges, the next chunk goes to clientAddress.
    state_.incoming.append(bytes);
    for (;;) {
        const wire::Frame frame = wire::nextSenderFrame(state_.incoming, state_.expect);
        if (frame.kind == wire::FrameKind::NeedMore) {
            return;
        }
        // The frame leaves the buffer before it is acted on: a message box lets further
        // notifications run, and they must find only the bytes that follow it.
        state_.incoming.remove(0, frame.length);
        if (frame.kind == wire::FrameKind::Ack) {
            onAck();
        } else if (frame.kind == wire::FrameKind::Done) {
            onDone();
        }
    }
}

void SenderEngine::onAck() {
    if (state_.expect.outstanding > 0) {
        state_.expect.outstanding -= 1;
    }
    controls_.按钮发送->setEnabled(false);
    SourceFile& file = state_.sourceFile;
    // The transfer ends at the length that was announced, even if the file grew meanwhile.
    if (!file.isOpen() || file.position() >= state_.fileLength) {
        if (file.isOpen()) {
            file.close();
            state_.expect.awaitingDone = true;
        }
        return;
    }
    const std::int64_t remaining = std::int64_t{state_.fileLength} - file.position();
    const int size = remaining >= wire::kChunkSize ? wire::kChunkSize : static_cast<int>(remaining);
    // One buffer serves every chunk: the Marker stays in front and the data is read behind it.
    ByteBuffer& message = state_.outgoing;
    if (message.size() != wire::kMarkerSize + size) {
        message = wire::buildChunk(ByteBuffer(size, '\0'));
    }
    if (file.readInto(message.data() + wire::kMarkerSize, size) != size) {
        // The file shrank or could not be read: the receiver would wait for bytes that never come.
        abandonTransfer();
        prompts_.showMessage(QStringLiteral("读取文件失败，文件发送未完成!"), kTitleNotice);
        return;
    }
    server_.send(state_.clientAddress, message);
    state_.expect.outstanding += 1;
    showProgress();
}

void SenderEngine::onDone() {
    state_.expect = {};
    controls_.按钮发送->setEnabled(true);
    prompts_.showMessage(QStringLiteral("文件发送完成!"), QStringLiteral("OK"));
}

void SenderEngine::onClientLeft(const QString& address) {
    if (address != state_.clientAddress || !transferUnderWay()) {
        return;
    }
    abandonTransfer();
    prompts_.showMessage(QStringLiteral("接收方已断开，文件发送未完成!"), kTitleNotice);
}

bool SenderEngine::transferUnderWay() const {
    return state_.sourceFile.isOpen() || state_.expect.outstanding > 0 ||
           state_.expect.awaitingDone;
}

void SenderEngine::abandonTransfer() {
    state_.sourceFile.close();
    state_.expect = {};
    state_.incoming.clear();
    controls_.按钮发送->setEnabled(true);
}

void SenderEngine::showProgress() {
    const double p = static_cast<double>(state_.sourceFile.position()) / state_.fileLength * 100.0;
    controls::setBarPosition(controls_.进度条1, std::isnan(p) ? 0 : numbers::truncateToInt32(p));
}

void SenderEngine::onProgramExit() {
    state_.sourceFile.close();
    state_.clientAddress.clear();
    state_.markerBytes.clear();
    state_.incoming.clear();
}
