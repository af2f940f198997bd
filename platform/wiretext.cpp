#include "wiretext.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace wiretext {
namespace {

// One conversion through iconv. When the input holds a sequence that cannot be converted,
// `replacement` is written in its place and one input byte is skipped.
std::string convert(const char* to, const char* from, const char* data, std::size_t size,
                    const std::string& replacement) {
    std::string out;
    if (size == 0) {
        return out;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return out;
    }
    char* in = const_cast<char*>(data);
    std::size_t inLeft = size;
    std::string buffer(4 * size + 16, '\0');
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL (a truncated sequence at the end): replace one byte and go on.
        out += replacement;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

ByteBuffer encodeName(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    const std::string gb = convert("GB18030", "UTF-8", utf8.constData(),
                                   static_cast<std::size_t>(utf8.size()), std::string("?"));
    return ByteBuffer(gb.data(), static_cast<qsizetype>(gb.size()));
}

QString decodeName(ByteView bytes) {
    const std::string utf8 = convert("UTF-8", "GB18030", bytes.data(),
                                     static_cast<std::size_t>(bytes.size()), "\xEF\xBF\xBD");
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace wiretext
