#include "numbers.h"

#include <gtest/gtest.h>

namespace {

TEST(Numbers, read_number_table) {
    struct Case {
        QString text;
        double expected;
    };
    const Case cases[] = {
        {"", 0},
        {"19730", 19730},
        {"80-", 80},
        {"8080abc", 8080},
        {" 8080", 8080},
        {"\t8080", 8080},
        {"8080.9", 8080.9},
        {"0.5", 0.5},
        {".5", 0.5},
        {"5.", 5},
        {"-5", -5},
        {"+7", 7},
        {"-", 0},
        {".", 0},
        {"abc", 0},
        {"1e3", 1000},
        {"1e", 1},
        {"1e+", 1},
        {"2E-1x", 0.2},
        {"inf", 0},
        {"0x10", 0},
        {QString::fromUtf8("８０８０"), 8080},
        {QString::fromUtf8("\u3000８０"), 80},
        {QString::fromUtf8("－５"), -5},
        {"1e999", HUGE_VAL},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(numbers::readNumber(c.text), c.expected) << c.text.toStdString();
    }
}

TEST(Numbers, read_integer_table) {
    struct Case {
        QString text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"19730", 19730},
        {QString::fromUtf8("１９７３０"), 19730},
        {"", 0},
        {"abc", 0},
        {"-5", -5},
        {" 80x", 80},
        {"+42", 42},
        {"12.9", 12},
        {"70000", 70000},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"- 5", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(numbers::readInteger(c.text), c.expected) << c.text.toStdString();
    }
}

TEST(Numbers, trimming_removes_only_ascii_and_ideographic_spaces) {
    EXPECT_EQ(numbers::trimSpaces(QString::fromUtf8(" \u30008080 \u3000")), "8080");
    EXPECT_EQ(numbers::trimSpaces("\t"), "\t");
    EXPECT_EQ(numbers::trimSpaces("   "), "");
}

TEST(Numbers, comparisons_and_truncation) {
    EXPECT_TRUE(numbers::atLeast(5, 5));
    EXPECT_TRUE(numbers::below(4, 5));
    EXPECT_FALSE(numbers::below(5, 5));
    // 29000 of 100000 is 28.999999999999996 in double precision and shows as 28.
    EXPECT_EQ(numbers::truncateToInt32(29000.0 / 100000.0 * 100.0), 28);
    EXPECT_EQ(numbers::truncateToInt32(-1.5), -1);
    EXPECT_EQ(numbers::truncateToInt32(std::nan("")), 0);
    EXPECT_EQ(numbers::truncateToInt32(1e300), 2147483647);
    EXPECT_EQ(numbers::writeInteger(-1), "-1");
    EXPECT_EQ(numbers::writeInteger(2147483647), "2147483647");
}

}  // namespace
