#pragma once

#include <QString>
#include <cstdint>

#include "bytebuffer.h"

// The file being sent: opened for reading only, bytes unchanged, read on demand in blocks of
// 64 KiB, so that a transfer costs one read of the system per 64 chunks and memory stays the
// same whatever the file's size. A SourceFile
// that is not open (the open failed, or it was closed) answers length -1, position -1, at end
// true, reads no bytes and ignores seek and close.
class SourceFile {
public:
    enum class OpenError { None, EmptyPath, Missing, NotARegularFile, NoAccess, Other };

    SourceFile() = default;
    ~SourceFile();
    SourceFile(SourceFile&& other) noexcept;
    SourceFile& operator=(SourceFile&& other) noexcept;
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // Never creates a file. Folders, devices and pipes are refused: only a regular file has a
    // length that can be announced.
    static SourceFile open(const QString& path, OpenError* why = nullptr);

    bool isOpen() const { return fd_ >= 0; }
    // The length in bytes as the file system reports it now. It is 64-bit so that a file too
    // large for the wire is seen as such, never as a wrapped 32-bit value.
    std::int64_t length() const;
    std::int64_t position() const { return isOpen() ? position_ : -1; }
    void seekToStart();
    // Up to n bytes from the position, which advances past them. A read that fails returns no
    // bytes and moves the position to the end.
    ByteBuffer read(int n);
    // The same into `buffer`, which has room for n bytes; returns the number of bytes read.
    int readInto(char* buffer, int n);
    bool atEnd() const;
    void close();

private:
    // Reads the block that begins at `at`; false when the read fails.
    bool fillBlock(std::int64_t at);

    int fd_ = -1;
    std::int64_t position_ = 0;
    ByteBuffer block_;  // the file's bytes from blockStart_ on
    std::int64_t blockStart_ = 0;
};
