#pragma once

// Finding message boundaries in the byte stream. TCP keeps no boundaries: a message may arrive
// in pieces, and several may arrive together. Stop-and-wait means each side knows what it
// expects next, so the length of the next message follows from the bytes and the transfer's
// state, and a peer that sends one message per write sees exactly the conversation it expects.
//
// Pure functions: bytes and state in, the next frame out.

#include <cstdint>

#include "bytebuffer.h"

namespace wire {

enum class FrameKind {
    Header,    // a HeaderMessage of `length` bytes
    Chunk,     // a ChunkMessage of `length` bytes
    Ack,       // an AckMessage (3 bytes)
    Done,      // a DoneMessage (6 bytes)
    Skip,      // `length` bytes that cannot begin a message: drop them
    NeedMore,  // the next message is not whole yet; keep the bytes
};

struct Frame {
    FrameKind kind;
    qsizetype length;
    friend bool operator==(const Frame&, const Frame&) = default;
};

// A name longer than this cannot be a file name; such a header is taken as it stands, with the
// bytes at hand, instead of waiting for gigabytes that a length field claims.
inline constexpr std::int32_t kMaxNameLength = 64 * 1024;

// What the receiver expects next.
struct ReceiverExpectation {
    enum class Phase {
        Idle,         // no transfer under way: a header, or a stray chunk
        AfterHeader,  // a header was handled, no chunk accepted yet: a chunk, or a new header
        Receiving,    // chunks were accepted: every message until completion is a chunk
    };
    Phase phase = Phase::Idle;
    std::int64_t remaining = 0;  // announced length - bytes accepted; > 0 outside Idle
};

Frame nextReceiverFrame(ByteView buffered, const ReceiverExpectation& expect);

// What the sender expects next.
struct SenderExpectation {
    int outstanding = 0;        // messages sent and not yet acknowledged
    bool awaitingDone = false;  // the file was finished; the DoneMessage comes next
};

Frame nextSenderFrame(ByteView buffered, const SenderExpectation& expect);

}  // namespace wire
