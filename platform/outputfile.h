#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "bytebuffer.h"

class QSaveFile;

// The file being received. The bytes go to a temporary file beside the target, which takes the
// target's place only when the transfer completes; a transfer that ends any other way leaves the
// target as it was.
class OutputFile {
public:
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // nullptr when the path is empty or the temporary file cannot be made (missing folder, no
    // access, a folder in the target's place).
    static std::unique_ptr<OutputFile> create(const QString& path);

    // Appends the bytes. On failure nothing counts as written, the error is kept, and every later
    // write fails too.
    bool write(ByteView bytes);
    // The number of bytes written since creation.
    std::int64_t position() const { return written_; }
    bool failed() const { return failed_; }
    // Puts the written file in the target's place. False when any write failed or the file
    // could not be flushed or renamed; the target is then untouched.
    bool commit();
    // Throws the written bytes away; the target stays as it was.
    void discard();
    const QString& targetPath() const { return target_; }

private:
    OutputFile(std::unique_ptr<QSaveFile> file, QString target);

    std::unique_ptr<QSaveFile> file_;
    QString target_;
    std::int64_t written_ = 0;
    bool failed_ = false;
};
