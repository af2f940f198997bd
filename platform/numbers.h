#pragma once

#include <QString>
#include <cstdint>

// Reading numbers out of what a user typed into an edit box, and writing them back.
namespace numbers {

// The full-width forms U+FF01..U+FF5E become their ASCII characters and the ideographic space
// U+3000 an ASCII space; every other character stays as it is.
QString toAsciiForms(const QString& text);

// After toAsciiForms: leading white space is skipped and the longest prefix that forms a decimal
// number (optional sign, digits with an optional fraction, optional exponent) is read; the rest is
// ignored. A text that does not begin with a number reads as 0.
double readNumber(const QString& text);

// After toAsciiForms: leading white space, an optional sign and the decimal digits up to the first
// other character. No digits give 0; a value beyond 32 bits saturates at the nearer limit.
std::int32_t readInteger(const QString& text);

// Signed decimal digits, a leading "-" when negative, no grouping.
QString writeInteger(std::int64_t value);

// The text without ASCII spaces and ideographic spaces (U+3000) at either end; tabs and other
// white space stay.
QString trimSpaces(const QString& text);

// The tolerance with which numbers from texts, lengths and positions are compared.
inline constexpr double kTolerance = 0.0000001;

// a is at least b, within the tolerance.
inline bool atLeast(double a, double b) {
    return a - b >= -kTolerance;
}
// a is below b, within the tolerance.
inline bool below(double a, double b) {
    return a - b < -kTolerance;
}

// A double turned into an integer by truncation toward zero, limited to the 32-bit range (NaN
// gives 0).
std::int32_t truncateToInt32(double value);

}  // namespace numbers
