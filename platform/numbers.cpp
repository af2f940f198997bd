#include "numbers.h"

#include <locale.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace numbers {
namespace {

bool isCSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// strtod follows the process locale, which Qt sets from the environment; the decimal point of a
// typed number is always ".", so the reading uses the C locale of its own.
locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

QString toAsciiForms(const QString& text) {
    QString out = text;
    for (QChar& ch : out) {
        const char16_t c = ch.unicode();
        if (c >= 0xFF01 && c <= 0xFF5E) {
            ch = QChar(static_cast<char16_t>(c - 0xFF01 + 0x21));
        } else if (c == 0x3000) {
            ch = QChar(u' ');
        }
    }
    return out;
}

double readNumber(const QString& text) {
    const QString s = toAsciiForms(text);
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && isCSpace(s[i].unicode())) {
        ++i;
    }
    std::string prefix;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        prefix += static_cast<char>(s[i].unicode());
        ++i;
    }
    int mantissaDigits = 0;
    while (i < n && isDigit(s[i].unicode())) {
        prefix += static_cast<char>(s[i].unicode());
        ++i;
        ++mantissaDigits;
    }
    if (i < n && s[i] == u'.') {
        std::string fraction = ".";
        qsizetype j = i + 1;
        while (j < n && isDigit(s[j].unicode())) {
            fraction += static_cast<char>(s[j].unicode());
            ++j;
            ++mantissaDigits;
        }
        if (mantissaDigits > 0) {
            prefix += fraction;
            i = j;
        }
    }
    if (mantissaDigits == 0) {
        return 0.0;
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        std::string exponent = "e";
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) {
            exponent += static_cast<char>(s[j].unicode());
            ++j;
        }
        bool anyDigit = false;
        while (j < n && isDigit(s[j].unicode())) {
            exponent += static_cast<char>(s[j].unicode());
            ++j;
            anyDigit = true;
        }
        if (anyDigit) {
            prefix += exponent;
        }
    }
    return strtod_l(prefix.c_str(), nullptr, cLocale());
}

std::int32_t readInteger(const QString& text) {
    const QString s = toAsciiForms(text);
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && isCSpace(s[i].unicode())) {
        ++i;
    }
    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    while (i < n && isDigit(s[i].unicode())) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (s[i].unicode() - u'0'), limit);
        ++i;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

QString writeInteger(std::int64_t value) {
    return QString::number(value);
}

QString trimSpaces(const QString& text) {
    auto isSpace = [](QChar c) { return c == u' ' || c.unicode() == 0x3000; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double t = std::trunc(value);
    if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(t);
}

}  // namespace numbers
