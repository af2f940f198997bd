#include "receiverengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <utility>

#include "controls.h"
#include "messages.h"
#include "numbers.h"
#include "prompts.h"
#include "streamclient.h"
#include "wiretext.h"

namespace {

const QString kTitleNotice = QStringLiteral("提示");
constexpr int kWatchPeriod = 100;

bool pathTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();  // a dangling link is still someone's file
}

}  // namespace

ReceiverEngine::ReceiverEngine(const ReceiverControls& controls, StreamClient& client,
                               Prompts& prompts, QObject* parent)
    : QObject(parent), controls_(controls), client_(client), prompts_(prompts) {}

ReceiverEngine::~ReceiverEngine() = default;

QString ReceiverEngine::safeFileName(const QString& sentName) {
    const qsizetype cut = std::max(sentName.lastIndexOf(u'/'), sentName.lastIndexOf(u'\\'));
    QString name = sentName.mid(cut + 1);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = u'_';
        }
    }
    if (name.isEmpty() || name == u"." || name == u"..") {
        return QStringLiteral("未命名文件");
    }
    return name;
}

QString ReceiverEngine::freePathIn(const QDir& folder, const QString& name) {
    const QString plain = folder.absoluteFilePath(name);
    if (!pathTaken(plain)) {
        return plain;
    }
    // "report.txt" becomes "report (1).txt"; a name that only begins with a dot keeps it whole.
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int i = 1;; ++i) {
        const QString candidate = folder.absoluteFilePath(
            base + QStringLiteral(" (") + QString::number(i) + QLatin1Char(')') + extension);
        if (!pathTaken(candidate)) {
            return candidate;
        }
    }
}

void ReceiverEngine::onWindowCreated() {
    state_.markerBytes = wire::marker();
}

void ReceiverEngine::onDataArrived(const ByteBuffer& bytes) {
    if (ended_) {
        return;
    }
    state_.lastData.append(bytes);
    if (busy_) {
        // The handling under way takes these bytes in their turn.
        return;
    }
    busy_ = true;
    // Events already posted to the program (repaints, deferred work) run before the bytes are
    // examined. Sockets and timers are not polled here: stop-and-wait returns to the event loop
    // after every message, which serves them at once, and a poll per message would cost a
    // system call on the path that bounds the transfer rate.
    QCoreApplication::sendPostedEvents();
    handleBuffered();
    busy_ = false;
    if (lost_) {
        finishLoss();
    }
}

void ReceiverEngine::handleBuffered() {
    while (!ended_) {
        const wire::Frame frame = wire::nextReceiverFrame(state_.lastData, state_.expect);
        if (frame.kind == wire::FrameKind::NeedMore) {
            return;
        }
        // The message leaves the buffer before it is acted on, so that bytes arriving while a
        // dialog is open are appended behind it and nothing is handled twice.
        ByteBuffer message;
        if (frame.length == state_.lastData.size()) {
            // The usual case: the buffer holds exactly one message, which is taken whole.
            message = std::exchange(state_.lastData, ByteBuffer());
        } else {
            message = state_.lastData.first(frame.length);
            state_.lastData.remove(0, frame.length);
        }
        if (frame.kind == wire::FrameKind::Header) {
            onHeader(message);
        } else if (frame.kind == wire::FrameKind::Chunk) {
            onChunk(message);
        }
    }
}

void ReceiverEngine::onHeader(ByteView message) {
    const wire::HeaderFields fields = wire::parseHeader(message);
    // A new header abandons the transfer before it.
    controls::setTimerPeriod(controls_.时钟1, 0);
    closeOutput();
    state_.expect = {};
    state_.announcedLength = fields.fileLength;
    state_.receivedCount = 0;
    controls_.编辑框文件大小->setText(numbers::writeInteger(fields.fileLength));
    const QString name = wiretext::decodeName(fields.name);

    if (fields.fileLength < 0) {
        // The sender could not open its file. Acknowledging lets it finish its side, and the
        // watcher's next tick sends the DoneMessage so that it is ready for the next file.
        senderCouldNotRead_ = true;
        controls_.编辑框文件名->setText(name);
        client_.send(state_.markerBytes);
        controls::setTimerPeriod(controls_.时钟1, kWatchPeriod);
        return;
    }
    senderCouldNotRead_ = false;

    const QString suggested = safeFileName(name);
    const std::optional<QString> chosen = prompts_.chooseFileToSave(suggested);
    if (ended_) {
        return;  // the program ended while the dialog was open
    }
    controls_.编辑框文件名->setText(name);
    // Cancelling still saves the file, in the current folder, but never over a file there.
    const QString path = chosen ? *chosen : freePathIn(QDir::current(), suggested);
    state_.outputFile = OutputFile::create(path);
    if (!state_.outputFile) {
        // No acknowledgement: the sender's Send button stays usable, so its user can try again.
        showMessage(QStringLiteral("无法创建文件，请另选保存位置!"), kTitleNotice);
        return;
    }
    if (!state_.outputFile->write(fields.firstChunk)) {
        failWrite();
        return;
    }
    state_.receivedCount = fields.firstChunk.size();
    client_.send(state_.markerBytes);
    controls::setTimerPeriod(controls_.时钟1, kWatchPeriod);
    expectRest(wire::ReceiverExpectation::Phase::AfterHeader);
}

void ReceiverEngine::onChunk(ByteView message) {
    // The limit is whatever the size box says now; its user may have changed it.
    const double size = sizeLimit();
    if (!state_.outputFile || !numbers::below(static_cast<double>(state_.receivedCount), size)) {
        return;
    }
    const ByteView payload = message.sliced(wire::kMarkerSize);
    state_.receivedCount += payload.size();
    // The acknowledgement goes out first, so that the sender reads and sends its next chunk
    // while this one is written. A write that fails is reported at once, and nothing after it
    // is acknowledged.
    client_.send(state_.markerBytes);
    if (!state_.outputFile->write(payload)) {
        failWrite();
        return;
    }
    expectRest(wire::ReceiverExpectation::Phase::Receiving);
}

void ReceiverEngine::expectRest(wire::ReceiverExpectation::Phase phase) {
    const std::int64_t remaining = std::int64_t{state_.announcedLength} - state_.receivedCount;
    if (remaining > 0) {
        state_.expect = {phase, remaining};
    } else {
        state_.expect = {};
    }
}

double ReceiverEngine::sizeLimit() const {
    // Read back from the box each time, since its user may change it; the number is worked out
    // again only when the text changed.
    const QString text = controls_.编辑框文件大小->text();
    if (text != sizeText_ || !sizeKnown_) {
        sizeText_ = text;
        sizeValue_ = numbers::readNumber(text);
        sizeKnown_ = true;
    }
    return sizeValue_;
}

std::int64_t ReceiverEngine::writtenPosition() const {
    return state_.outputFile ? state_.outputFile->position() : -1;
}

bool ReceiverEngine::readyToComplete() const {
    if (!state_.outputFile && !senderCouldNotRead_) {
        return false;
    }
    const double size = sizeLimit();
    return numbers::atLeast(static_cast<double>(writtenPosition()), size);
}

void ReceiverEngine::onWatchTick() {
    if (ended_) {
        return;
    }
    int progress = 0;
    if (state_.outputFile && state_.announcedLength != 0) {
        const double share = static_cast<double>(writtenPosition()) / state_.announcedLength;
        progress = numbers::truncateToInt32(share * 100.0);
    }
    controls::setBarPosition(controls_.进度条1, progress);
    if (readyToComplete()) {
        complete();
    }
}

void ReceiverEngine::complete() {
    // The file takes the target's place before the sender is told: a DoneMessage for a file
    // that could not be saved would make the sender report a success that did not happen.
    if (state_.outputFile) {
        const bool saved = state_.outputFile->commit();
        state_.outputFile.reset();
        if (!saved) {
            failWrite();
            return;
        }
    }
    client_.send(state_.markerBytes + state_.markerBytes);
    controls::setTimerPeriod(controls_.时钟1, 0);
    const bool nothingSent = senderCouldNotRead_;
    senderCouldNotRead_ = false;
    state_.expect = {};
    controls_.按钮连接->setEnabled(false);
    if (nothingSent) {
        showMessage(QStringLiteral("发送方无法读取该文件，未接收任何数据。"), kTitleNotice);
    } else {
        showMessage(QStringLiteral("文件接收完成!"), QStringLiteral("OK"));
    }
}

void ReceiverEngine::failWrite() {
    // Reported once: with the file gone no further chunk is accepted or acknowledged.
    controls::setTimerPeriod(controls_.时钟1, 0);
    if (state_.outputFile) {
        state_.outputFile->discard();
        state_.outputFile.reset();
    }
    state_.expect = {};
    showMessage(QStringLiteral("写入文件失败，文件接收未完成!"), kTitleNotice);
}

void ReceiverEngine::closeOutput() {
    if (!state_.outputFile) {
        return;
    }
    // A file that already holds every byte is kept even though its watcher had no tick yet;
    // anything less is thrown away and the target stays as it was.
    if (readyToComplete()) {
        const bool saved = state_.outputFile->commit();
        state_.outputFile.reset();
        if (!saved) {
            showMessage(QStringLiteral("写入文件失败，文件接收未完成!"), kTitleNotice);
        }
        return;
    }
    state_.outputFile->discard();
    state_.outputFile.reset();
}

void ReceiverEngine::onConnectionLost() {
    if (ended_) {
        return;
    }
    lost_ = true;
    if (!busy_) {
        finishLoss();
    }
}

void ReceiverEngine::finishLoss() {
    // Every whole message that came before the close has been handled by now; what is left is
    // the start of one that will never be finished.
    lost_ = false;
    state_.lastData.clear();
    if (readyToComplete()) {
        complete();
        return;
    }
    const bool underWay = state_.outputFile || controls::timerPeriod(controls_.时钟1) > 0;
    controls::setTimerPeriod(controls_.时钟1, 0);
    if (state_.outputFile) {
        state_.outputFile->discard();
        state_.outputFile.reset();
    }
    state_.expect = {};
    senderCouldNotRead_ = false;
    if (underWay) {
        showMessage(QStringLiteral("连接已断开，文件接收未完成!"), kTitleNotice);
    }
}

void ReceiverEngine::showMessage(const QString& text, const QString& title) {
    const bool outer = !busy_;
    busy_ = true;
    prompts_.showMessage(text, title);
    if (!outer) {
        return;
    }
    // Bytes that came while the box was open.
    handleBuffered();
    busy_ = false;
    if (lost_) {
        finishLoss();
    }
}

void ReceiverEngine::onProgramExit() {
    // A handler that is still waiting in a dialog finds this and does nothing more.
    ended_ = true;
    controls::setTimerPeriod(controls_.时钟1, 0);
    if (state_.outputFile) {
        state_.outputFile->discard();
        state_.outputFile.reset();
    }
    state_.lastData.clear();
    state_.markerBytes.clear();
    state_.expect = {};
}
