#include "sourcefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

SourceFile::~SourceFile() {
    close();
}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), position_(std::exchange(other.position_, 0)) {}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        position_ = std::exchange(other.position_, 0);
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
        const ssize_t r = ::pread(fd_, buffer + got, static_cast<std::size_t>(n - got),
                                  static_cast<off_t>(position_ + got));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            position_ = std::max<std::int64_t>(length(), position_);
            return 0;
        }
        if (r == 0) {
            break;
        }
        got += static_cast<int>(r);
    }
    position_ += got;
    return got;
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
    }
}
