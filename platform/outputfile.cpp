#include "outputfile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

OutputFile::OutputFile(std::unique_ptr<QSaveFile> file, QString target)
    : file_(std::move(file)), target_(std::move(target)), block_(kBlockSize) {}

OutputFile::~OutputFile() {
    discard();
}

std::unique_ptr<OutputFile> OutputFile::create(const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        return nullptr;
    }
    auto file = std::make_unique<QSaveFile>(path);
    // Unbuffered: the block here is the only buffer, so every write of it reaches the system
    // and its result is seen. (With the toolkit's own buffer, a write that fails while that
    // buffer is flushed at the commit would go unnoticed and the commit would succeed.)
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(std::move(file), path));
}

bool OutputFile::write(ByteView bytes) {
    if (failed_ || !file_ || !file_->isOpen()) {
        return false;
    }
    const char* from = bytes.data();
    auto left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const std::size_t n = std::min(left, block_.size() - blockUsed_);
        std::memcpy(block_.data() + blockUsed_, from, n);
        blockUsed_ += n;
        taken_ += static_cast<std::int64_t>(n);
        from += n;
        left -= n;
        if (blockUsed_ == block_.size() && !writeBlock()) {
            return false;
        }
    }
    return true;
}

bool OutputFile::writeBlock() {
    if (blockUsed_ == 0) {
        return true;
    }
    const auto size = static_cast<qint64>(blockUsed_);
    blockUsed_ = 0;
    if (file_->write(block_.data(), size) != size) {
        failed_ = true;
    }
    return !failed_;
}

bool OutputFile::commit() {
    if (!file_ || !file_->isOpen()) {
        return false;
    }
    if (failed_ || !writeBlock()) {
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
