#include "wiretext.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

TEST(WireText, chinese_name_is_gbk_bytes) {
    const QByteArray bytes = wiretext::encodeName(QString::fromUtf8("测试.txt"));
    EXPECT_EQ(testutil::hex(bytes), "b2 e2 ca d4 2e 74 78 74");
    EXPECT_EQ(wiretext::decodeName(bytes), QString::fromUtf8("测试.txt"));
}

TEST(WireText, names_outside_gbk_survive_the_round_trip) {
    for (const char* name : {"a.txt", "€uro", "😀.png", "𠀀", "ĀāĂ", "日本語テキスト"}) {
        const QString text = QString::fromUtf8(name);
        EXPECT_EQ(wiretext::decodeName(wiretext::encodeName(text)), text) << name;
    }
}

TEST(WireText, invalid_bytes_decode_to_replacement_characters) {
    const QString decoded =
        wiretext::decodeName(QByteArray("a\xFF"
                                        "b\x81",
                                        4));
    EXPECT_EQ(decoded.size(), 4);
    EXPECT_EQ(decoded[0], u'a');
    EXPECT_EQ(decoded[1], QChar(0xFFFD));
    EXPECT_EQ(decoded[2], u'b');
    EXPECT_EQ(decoded[3], QChar(0xFFFD));
    EXPECT_TRUE(wiretext::decodeName({}).isEmpty());
}

}  // namespace
