// Arbitrary bytes in arbitrary pieces through the receiver's framing and header parsing, with
// the expectation kept as the receiver keeps it. Every frame must lie within the bytes at hand,
// every step must make progress or wait, and no header field may send a read out of bounds.
#include <cstdint>
#include <cstdlib>

#include "framing.h"
#include "messages.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using wire::FrameKind;
    using Phase = wire::ReceiverExpectation::Phase;
    wire::ReceiverExpectation expect;
    std::int64_t announced = 0;
    std::int64_t received = 0;
    QByteArray buffer;
    std::size_t at = 0;
    while (at < size) {
        // The first byte of each piece says how long the piece is.
        const std::size_t piece = std::min<std::size_t>(1 + data[at] % 64, size - at - 1);
        buffer.append(reinterpret_cast<const char*>(data + at + 1), static_cast<qsizetype>(piece));
        at += piece + 1;
        for (int guard = 0; guard < 100000; ++guard) {
            const wire::Frame f = wire::nextReceiverFrame(buffer, expect);
            if (f.kind == FrameKind::NeedMore) {
                break;
            }
            check(f.length > 0 && f.length <= buffer.size());
            const QByteArray message = buffer.first(f.length);
            buffer.remove(0, f.length);
            if (f.kind == FrameKind::Header) {
                check(wire::classifyAtReceiver(message) == wire::ReceiverMessage::Header);
                const wire::HeaderFields h = wire::parseHeader(message);
                check(h.name.size() <= message.size() && h.firstChunk.size() <= message.size());
                announced = h.fileLength;
                received = h.firstChunk.size();
            } else if (f.kind == FrameKind::Chunk) {
                check(wire::markerAt(message, 0));
                check(message.size() <= wire::kMaxChunkMessageSize);
                if (expect.phase != Phase::Idle) {
                    received += message.size() - wire::kMarkerSize;
                }
            }
            if (f.kind != FrameKind::Skip) {
                expect.phase =
                    received < announced
                        ? (f.kind == FrameKind::Header ? Phase::AfterHeader : Phase::Receiving)
                        : Phase::Idle;
                expect.remaining = announced - received;
            }
        }
        // Waiting is bounded: no more than one header's worth of bytes is ever held.
        check(buffer.size() <= wire::kHeaderFixedSize + wire::kMaxNameLength + wire::kChunkSize +
                                   wire::kMaxChunkMessageSize + 64);
    }
    return 0;
}
