#include "framing.h"

#include <gtest/gtest.h>

#include <random>

#include "messages.h"
#include "testutil.h"

namespace wire {
void PrintTo(const Frame& f, std::ostream* os) {
    *os << "Frame{" << static_cast<int>(f.kind) << ", " << f.length << "}";
}
}  // namespace wire

namespace {

using wire::FrameKind;
using Phase = wire::ReceiverExpectation::Phase;

wire::Frame frame(FrameKind kind, qsizetype length) {
    return {kind, length};
}

TEST(ReceiverFraming, table_of_cases) {
    const QByteArray hello = wire::buildHeader(5, "a.txt", "hello");
    const QByteArray big = wire::buildHeader(2500, "big", QByteArray(1000, 'x'));
    QByteArray hugeName = wire::buildHeader(10, "n", "0123456789");
    hugeName[wire::kNameLengthOffset + 3] = 0x7F;
    QByteArray negativeName = wire::buildHeader(10, "n", "0123456789");
    negativeName[wire::kNameLengthOffset + 3] = static_cast<char>(0x80);
    const QByteArray dataWithMarkerAt7 = wire::buildChunk("abcd^&*efgh");
    struct Case {
        const char* name;
        QByteArray bytes;
        wire::ReceiverExpectation expect;
        wire::Frame expected;
    };
    const Case cases[] = {
        {"whole header", hello, {}, frame(FrameKind::Header, 30)},
        {"header and the next header", hello + hello, {}, frame(FrameKind::Header, 30)},
        {"header missing its last byte", hello.chopped(1), {}, frame(FrameKind::NeedMore, 0)},
        {"header of 13 bytes", hello.first(13), {}, frame(FrameKind::NeedMore, 0)},
        {"big header", big + "^&*", {}, frame(FrameKind::Header, 1023)},
        {"empty-file header", wire::buildHeader(0, "e", {}), {}, frame(FrameKind::Header, 21)},
        {"negative length has no data",
         wire::buildHeader(-1, "e", {}) + "^&*",
         {},
         frame(FrameKind::Header, 21)},
        {"huge name length takes what is there",
         hugeName,
         {},
         frame(FrameKind::Header, hugeName.size())},
        {"negative name length takes what is there",
         negativeName,
         {},
         frame(FrameKind::Header, negativeName.size())},
        {"garbage before a marker", "xyz^&*", {}, frame(FrameKind::Skip, 3)},
        {"garbage ending in a marker piece", "ab^", {}, frame(FrameKind::Skip, 2)},
        {"broken marker", "^&x^&*", {}, frame(FrameKind::Skip, 3)},
        {"one byte of the marker", "^", {}, frame(FrameKind::NeedMore, 0)},
        {"stray chunk while idle", "^&*abcdefgh", {}, frame(FrameKind::Chunk, 11)},
        {"idle: could still be a header", "^&*abcd", {}, frame(FrameKind::NeedMore, 0)},
        {"receiving: full chunk",
         wire::buildChunk(QByteArray(1000, 'a')) + "^&*",
         {Phase::Receiving, 1500},
         frame(FrameKind::Chunk, 1003)},
        {"receiving: last chunk",
         wire::buildChunk(QByteArray(500, 'a')),
         {Phase::Receiving, 500},
         frame(FrameKind::Chunk, 503)},
        {"receiving: chunk split",
         wire::buildChunk(QByteArray(400, 'a')),
         {Phase::Receiving, 500},
         frame(FrameKind::NeedMore, 0)},
        {"receiving: marker at 7 is still a chunk",
         dataWithMarkerAt7,
         {Phase::Receiving, 11},
         frame(FrameKind::Chunk, 14)},
        {"receiving: header-like data is a chunk",
         hello,
         {Phase::Receiving, 27},
         frame(FrameKind::Chunk, 30)},
        {"after header: new header",
         hello,
         {Phase::AfterHeader, 1500},
         frame(FrameKind::Header, 30)},
        {"after header: marker at 7 only is a chunk",
         dataWithMarkerAt7 + QByteArray(10, 'z'),
         {Phase::AfterHeader, 21},
         frame(FrameKind::Chunk, 24)},
        {"after header: small last chunk",
         "^&*ab",
         {Phase::AfterHeader, 2},
         frame(FrameKind::Chunk, 5)},
        {"after header: too short to tell",
         "^&*abcdefghij",
         {Phase::AfterHeader, 1500},
         frame(FrameKind::NeedMore, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wire::nextReceiverFrame(c.bytes, c.expect), c.expected) << c.name;
    }
}

// The receiver's view of a transfer, as its engine keeps it, for feeding a recorded stream
// through the framing in arbitrary pieces.
struct ReceiverModel {
    wire::ReceiverExpectation expect;
    std::int64_t announced = 0;
    std::int64_t received = 0;
    std::vector<QByteArray> messages;

    void take(FrameKind kind, const QByteArray& message) {
        messages.push_back(message);
        if (kind == FrameKind::Header) {
            const auto f = wire::parseHeader(message);
            announced = f.fileLength;
            received = f.firstChunk.size();
            expect.phase = received < announced ? Phase::AfterHeader : Phase::Idle;
        } else if (kind == FrameKind::Chunk && expect.phase != Phase::Idle) {
            received += message.size() - 3;
            expect.phase = received < announced ? Phase::Receiving : Phase::Idle;
        }
        expect.remaining = announced - received;
    }

    void feed(QByteArray& buffer) {
        for (;;) {
            const wire::Frame f = wire::nextReceiverFrame(buffer, expect);
            if (f.kind == FrameKind::NeedMore) {
                return;
            }
            const QByteArray message = buffer.first(f.length);
            buffer.remove(0, f.length);
            if (f.kind != FrameKind::Skip) {
                take(f.kind, message);
            }
        }
    }
};

// Two transfers as a sender sends them: each file's header and chunks.
std::vector<QByteArray> conversation(const QByteArray& first, const QByteArray& second) {
    std::vector<QByteArray> out;
    for (const QByteArray* file : {&first, &second}) {
        out.push_back(wire::buildHeader(static_cast<std::int32_t>(file->size()), "f",
                                        file->first(std::min<qsizetype>(1000, file->size()))));
        for (qsizetype at = 1000; at < file->size(); at += 1000) {
            out.push_back(wire::buildChunk(file->mid(at, 1000)));
        }
    }
    return out;
}

TEST(ReceiverFraming, any_split_of_the_stream_gives_the_same_messages) {
    // File data full of markers, and data that is itself a recording of this protocol.
    QByteArray markers;
    for (int i = 0; i < 1400; ++i) {
        markers += "^&*";
    }
    QByteArray recording;
    for (const QByteArray& m : conversation(testutil::randomBytes(2100, 3), "tiny")) {
        recording += m;
    }
    const std::vector<QByteArray> sent = conversation(markers, recording);
    QByteArray stream;
    for (const QByteArray& m : sent) {
        stream += m;
    }
    std::mt19937 gen(7);
    for (int round = 0; round < 200; ++round) {
        ReceiverModel model;
        QByteArray buffer;
        qsizetype at = 0;
        while (at < stream.size()) {
            // Byte by byte in the first round, then random pieces.
            const qsizetype piece =
                round == 0 ? 1 : 1 + static_cast<qsizetype>(gen() % (round < 100 ? 7 : 2500));
            buffer += stream.mid(at, piece);
            at += piece;
            model.feed(buffer);
        }
        ASSERT_EQ(model.messages.size(), sent.size()) << "round " << round;
        for (std::size_t i = 0; i < sent.size(); ++i) {
            ASSERT_EQ(model.messages[i], sent[i]) << "round " << round << " message " << i;
        }
        EXPECT_TRUE(buffer.isEmpty());
    }
}

TEST(SenderFraming, table_of_cases) {
    struct Case {
        const char* name;
        QByteArray bytes;
        wire::SenderExpectation expect;
        wire::Frame expected;
    };
    const Case cases[] = {
        {"ack while sending", "^&*", {1, false}, frame(FrameKind::Ack, 3)},
        {"ack and done together", "^&*^&*^&*", {1, false}, frame(FrameKind::Ack, 3)},
        {"done after the file was closed", "^&*^&*", {0, true}, frame(FrameKind::Done, 6)},
        {"first half of a split done", "^&*", {0, true}, frame(FrameKind::NeedMore, 0)},
        {"lone ack with nothing sent", "^&*", {0, false}, frame(FrameKind::Ack, 3)},
        {"lone done at any time", "^&*^&*", {0, false}, frame(FrameKind::Done, 6)},
        {"done while a chunk is unanswered", "^&*^&*", {1, false}, frame(FrameKind::Done, 6)},
        {"two acks due", "^&*^&*", {2, false}, frame(FrameKind::Ack, 3)},
        {"piece of a marker", "^&", {1, false}, frame(FrameKind::NeedMore, 0)},
        {"garbage", "xy^&*", {1, false}, frame(FrameKind::Skip, 2)},
        {"idle: could be a done", "^&*^&", {0, false}, frame(FrameKind::NeedMore, 0)},
        {"awaiting done: marker then garbage", "^&*xyz", {0, true}, frame(FrameKind::Skip, 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wire::nextSenderFrame(c.bytes, c.expect), c.expected) << c.name;
    }
}

}  // namespace
