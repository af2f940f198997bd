#include "messages.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

using wire::ReceiverMessage;
using wire::SenderMessage;

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

TEST(Messages, header_for_hello_is_the_thirty_byte_example) {
    const QByteArray expected = bytes({0x5E, 0x26, 0x2A, 0x05, 0x00, 0x00, 0x00, 0x5E, 0x26, 0x2A,
                                       0x05, 0x00, 0x00, 0x00, 0x5E, 0x26, 0x2A, 0x61, 0x2E, 0x74,
                                       0x78, 0x74, 0x5E, 0x26, 0x2A, 0x68, 0x65, 0x6C, 0x6C, 0x6F});
    const QByteArray header = wire::buildHeader(5, "a.txt", "hello");
    EXPECT_EQ(testutil::hex(header), testutil::hex(expected));
    EXPECT_EQ(wire::classifyAtReceiver(header), ReceiverMessage::Header);
    const wire::HeaderFields f = wire::parseHeader(header);
    EXPECT_EQ(f.fileLength, 5);
    EXPECT_EQ(f.nameLength, 5);
    EXPECT_EQ(f.name, QByteArrayView("a.txt"));
    EXPECT_EQ(f.firstChunk, QByteArrayView("hello"));
}

TEST(Messages, integers_are_signed_little_endian) {
    struct Case {
        std::int32_t value;
        QByteArray encoded;
    };
    const Case cases[] = {
        {0, bytes({0, 0, 0, 0})},
        {-1, bytes({0xFF, 0xFF, 0xFF, 0xFF})},
        {1000, bytes({0xE8, 0x03, 0, 0})},
        {2147483647, bytes({0xFF, 0xFF, 0xFF, 0x7F})},
        {-2147483647 - 1, bytes({0, 0, 0, 0x80})},
    };
    for (const Case& c : cases) {
        QByteArray out;
        wire::appendInt32(out, c.value);
        EXPECT_EQ(out, c.encoded) << c.value;
        EXPECT_EQ(wire::readInt32(c.encoded, 0), c.value);
    }
    // Bytes past the end count as zero.
    EXPECT_EQ(wire::readInt32(bytes({0x34, 0x12}), 0), 0x1234);
}

TEST(Messages, empty_file_header_ends_with_fourth_marker) {
    const QByteArray header = wire::buildHeader(0, "e", {});
    EXPECT_EQ(header.size(), 21);
    EXPECT_TRUE(header.endsWith("^&*"));
    EXPECT_TRUE(wire::parseHeader(header).firstChunk.isEmpty());
}

TEST(Messages, chinese_name_length_counts_bytes) {
    const QByteArray gbkName = bytes({0xB2, 0xE2, 0xCA, 0xD4, 0xCE, 0xC4});  // three characters
    const QByteArray header = wire::buildHeader(3, gbkName, "abc");
    EXPECT_EQ(wire::readInt32(header, wire::kNameLengthOffset), 6);
    EXPECT_EQ(header.size(), 20 + 6 + 3);
}

TEST(Messages, chunk_is_marker_then_data) {
    EXPECT_EQ(wire::buildChunk("x"), QByteArray("^&*x"));
    EXPECT_EQ(wire::buildChunk(QByteArray(1000, 'z')).size(), 1003);
}

TEST(Messages, receiver_classification_table) {
    struct Case {
        const char* name;
        QByteArray message;
        ReceiverMessage expected;
    };
    const Case cases[] = {
        {"empty", {}, ReceiverMessage::Ignored},
        {"one byte", "^", ReceiverMessage::Ignored},
        {"two bytes", "^&", ReceiverMessage::Ignored},
        {"not the marker", "abc", ReceiverMessage::Ignored},
        {"marker alone", "^&*", ReceiverMessage::Chunk},
        {"4-byte chunk", "^&*x", ReceiverMessage::Chunk},
        {"9-byte chunk", "^&*123456", ReceiverMessage::Chunk},
        {"marker cut at byte 9", "^&*1234^&", ReceiverMessage::Chunk},
        {"marker at 7 makes a header", "^&*1234^&*", ReceiverMessage::Header},
        {"chunk data with marker at 4-6", "^&*abcd^&*efg", ReceiverMessage::Header},
        {"marker inside a name", wire::buildHeader(1, "a^&*b", "z"), ReceiverMessage::Header},
        {"garbage then marker", "x^&*", ReceiverMessage::Ignored},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wire::classifyAtReceiver(c.message), c.expected) << c.name;
    }
}

TEST(Messages, sender_classification_table) {
    struct Case {
        const char* name;
        QByteArray notification;
        SenderMessage expected;
    };
    const Case cases[] = {
        {"ack", "^&*", SenderMessage::Ack},
        {"done", "^&*^&*", SenderMessage::Done},
        {"ack and done together", "^&*^&*^&*", SenderMessage::Ignored},
        {"short", "^&", SenderMessage::Ignored},
        {"trailing byte", "^&*x", SenderMessage::Ignored},
        {"other bytes", "abc", SenderMessage::Ignored},
        {"empty", {}, SenderMessage::Ignored},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wire::classifyAtSender(c.notification), c.expected) << c.name;
    }
}

TEST(Messages, header_fields_located_by_arithmetic) {
    struct Case {
        const char* name;
        QByteArray message;
        QByteArray expectedName;
        QByteArray expectedChunk;
    };
    QByteArray withZero = wire::buildHeader(2, QByteArray("ab\0cd", 5), "xy");
    // The name-length field says 9 but only 3 name bytes follow: the name runs on into the rest
    // and the payload is what the field leaves over.
    QByteArray longField = wire::buildHeader(4, "abc", "WXYZ");
    longField[wire::kNameLengthOffset] = 9;
    QByteArray negative = wire::buildHeader(3, "n", "abc");
    negative[wire::kNameLengthOffset] = static_cast<char>(0xFF);
    negative[wire::kNameLengthOffset + 1] = static_cast<char>(0xFF);
    negative[wire::kNameLengthOffset + 2] = static_cast<char>(0xFF);
    negative[wire::kNameLengthOffset + 3] = static_cast<char>(0x7F);  // 2^31 - 1
    const Case cases[] = {
        {"zero byte cuts the name", withZero, "ab", "xy"},
        {"name length past the name", longField, "abc^&*WXY", ""},
        {"huge name length", negative, "n^&*abc", ""},
    };
    for (const Case& c : cases) {
        const wire::HeaderFields f = wire::parseHeader(c.message);
        EXPECT_EQ(f.name, QByteArrayView(c.expectedName)) << c.name;
        EXPECT_EQ(f.firstChunk, QByteArrayView(c.expectedChunk)) << c.name;
    }
}

}  // namespace
