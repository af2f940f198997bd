#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "bytebuffer.h"

class QSaveFile;

// The file being received. The bytes go to a temporary file beside the target, which takes the
// target's place only when the transfer completes; a transfer that ends any other way leaves the
// target as it was. They are gathered in a block of 64 KiB and handed to the system a block at a
// time, so that a transfer of small chunks costs one write of the system per 64 of them; a write
// that fails (a full disk) shows at the block that meets it, or at the commit.
class OutputFile {
public:
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // nullptr when the path is empty or the temporary file cannot be made (missing folder, no
    // access, a folder in the target's place).
    static std::unique_ptr<OutputFile> create(const QString& path);

    // Appends the bytes. False when the block they filled could not be written; the error is
    // kept, and every later write and the commit fail too.
    bool write(ByteView bytes);
    // The number of bytes taken since creation, written or waiting in the block.
    std::int64_t position() const { return taken_; }
    bool failed() const { return failed_; }
    // Writes what waits in the block and puts the file in the target's place. False when any
    // write failed or the file could not be flushed or renamed; the target is then untouched.
    bool commit();
    // Throws the written bytes away; the target stays as it was.
    void discard();
    const QString& targetPath() const { return target_; }

private:
    OutputFile(std::unique_ptr<QSaveFile> file, QString target);
    // Hands the block to the system; false (and failed) when not all of it was written.
    bool writeBlock();

    std::unique_ptr<QSaveFile> file_;
    QString target_;
    std::vector<char> block_;
    std::size_t blockUsed_ = 0;
    std::int64_t taken_ = 0;
    bool failed_ = false;
};
