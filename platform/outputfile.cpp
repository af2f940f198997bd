#include "outputfile.h"

#include <QFileInfo>
#include <QSaveFile>

OutputFile::OutputFile(std::unique_ptr<QSaveFile> file, QString target)
    : file_(std::move(file)), target_(std::move(target)) {}

OutputFile::~OutputFile() {
    discard();
}

std::unique_ptr<OutputFile> OutputFile::create(const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        return nullptr;
    }
    auto file = std::make_unique<QSaveFile>(path);
    // Unbuffered: each chunk goes to the system at once, so a full disk shows at the write that
    // meets it rather than at some later flush.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(std::move(file), path));
}

bool OutputFile::write(ByteView bytes) {
    if (failed_ || !file_ || !file_->isOpen()) {
        return false;
    }
    if (bytes.isEmpty()) {
        return true;
    }
    const qint64 n = file_->write(bytes.data(), bytes.size());
    if (n != bytes.size()) {
        failed_ = true;
        return false;
    }
    written_ += n;
    return true;
}

bool OutputFile::commit() {
    if (!file_ || !file_->isOpen()) {
        return false;
    }
    if (failed_) {
        discard();
        return false;
    }
    const bool ok = file_->commit();
    file_.reset();
    return ok;
}

void OutputFile::discard() {
    if (file_ && file_->isOpen()) {
        file_->cancelWriting();
        file_->commit();  // with writing cancelled this only removes the temporary file
    }
    file_.reset();
}
