// Number reading, integer reading, trimming and name decoding over arbitrary text.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "numbers.h"
#include "wiretext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString utf8 = QString::fromUtf8(bytes);
    const QString utf16(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    for (const QString& text : {utf8, utf16}) {
        const double value = numbers::readNumber(text);
        if (std::isnan(value)) {
            std::abort();  // only decimal numbers are read, never "nan"
        }
        (void)numbers::truncateToInt32(value);
        (void)numbers::readInteger(text);
        const QString trimmed = numbers::trimSpaces(text);
        if (trimmed.size() > text.size()) {
            std::abort();
        }
    }
    const QString name = wiretext::decodeName(bytes);
    if (name.size() > bytes.size()) {
        std::abort();  // every character takes at least one byte
    }
    (void)wiretext::encodeName(name);
    return 0;
}
