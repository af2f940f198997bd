#include "sourcefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

SourceFile::~SourceFile() {
    close();
}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      position_(std::exchange(other.position_, 0)),
      block_(std::exchange(other.block_, ByteBuffer())),
      blockStart_(std::exchange(other.blockStart_, 0)) {}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        position_ = std::exchange(other.position_, 0);
        block_ = std::exchange(other.block_, ByteBuffer());
        blockStart_ = std::exchange(other.blockStart_, 0);
    }
    return *this;
}

SourceFile SourceFile::open(const QString& path, OpenError* why) {
    auto fail = [why](OpenError e) {
        if (why != nullptr) {
            *why = e;
        }
        return SourceFile();
    };
    if (path.isEmpty()) {
        return fail(OpenError::EmptyPath);
    }
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int e = errno;
        return fail(e == ENOENT || e == ENOTDIR ? OpenError::Missing
                    : e == EACCES || e == EPERM ? OpenError::NoAccess
                                                : OpenError::Other);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(OpenError::NotARegularFile);
    }
    // O_NONBLOCK only kept the open itself from hanging on a special file; regular files ignore it.
    SourceFile file;
    file.fd_ = fd;
    if (why != nullptr) {
        *why = OpenError::None;
    }
    return file;
}

std::int64_t SourceFile::length() const {
    if (!isOpen()) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
}

void SourceFile::seekToStart() {
    if (isOpen()) {
        position_ = 0;
    }
}

ByteBuffer SourceFile::read(int n) {
    ByteBuffer out;
    if (!isOpen() || n <= 0) {
        return out;
    }
    out.resize(n);
    out.truncate(readInto(out.data(), n));
    return out;
}

int SourceFile::readInto(char* buffer, int n) {
    if (!isOpen() || n <= 0) {
        return 0;
    }
    int got = 0;
    while (got < n) {
        const std::int64_t at = position_ + got;
        if (at < blockStart_ || at >= blockStart_ + block_.size()) {
            if (!fillBlock(at)) {
                position_ = std::max<std::int64_t>(length(), position_);
                return 0;
            }
            if (block_.isEmpty()) {
                break;  // the end of the file
            }
        }
        const qsizetype offset = static_cast<qsizetype>(at - blockStart_);
        const int take = static_cast<int>(std::min<qsizetype>(n - got, block_.size() - offset));
        std::memcpy(buffer + got, block_.constData() + offset, static_cast<std::size_t>(take));
        got += take;
    }
    position_ += got;
    return got;
}

bool SourceFile::fillBlock(std::int64_t at) {
    constexpr qsizetype kBlock = 64 * 1024;
    block_.resize(kBlock);
    blockStart_ = at;
    qsizetype got = 0;
    while (got < kBlock) {
        const ssize_t r = ::pread(fd_, block_.data() + got, static_cast<std::size_t>(kBlock - got),
                                  static_cast<off_t>(at + got));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            block_.clear();
            return false;
        }
        if (r == 0) {
            break;
        }
        got += r;
    }
    block_.truncate(got);
    return true;
}

bool SourceFile::atEnd() const {
    if (!isOpen()) {
        return true;
    }
    return position_ >= length();
}

void SourceFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        position_ = 0;
        block_ = ByteBuffer();
        blockStart_ = 0;
    }
}
